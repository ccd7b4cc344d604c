#pragma once

#include <string>
#include <vector>

#include "cleaning/CleanedChapters.h"

namespace quill::epub {

// A picture a chapter shows, as the book holds it: beside the chapter documents, under the
// name the cleaned chapters give it.
struct ContentPicture {
    std::string path;       // in the work folder
    std::string fileName;   // in the book and in the chapters' <img src>
    std::string mediaType;  // one of EPUB's core image types
};

// The pictures the chapters show, each once, made fit for the book before any chapter is
// written, so that a chapter refers only to pictures the book holds.
std::vector<ContentPicture> PicturesOfBook(CleanedChapters& cleaned, const std::string& workFolder,
                                           const std::vector<int>& chapters);

// Their items of the package's manifest.
std::string PictureItems(const std::vector<ContentPicture>& pictures);

// The style sheet's rules for them: no wider than the screen, in their own proportions.
std::string PictureStyleSheet();

}  // namespace quill::epub
