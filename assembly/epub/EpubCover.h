#pragma once

#include <optional>
#include <string>

namespace quill::epub {

// A cover picture that a reading system can show: where it is, its media type and the
// name it gets inside the book.
struct CoverPicture {
    std::string path;       // the picture in the work folder
    std::string mediaType;  // "image/jpeg", "image/png" or "image/gif"
    std::string fileName;   // "cover.jpg", "cover.png" or "cover.gif"
};

// The picture at path when it is one that every EPUB reader must display, judged by its
// bytes: the downloader stores whatever the site sent under the name "cover.jpg". Nothing
// when the file is missing, empty or of another kind.
std::optional<CoverPicture> FindCoverPicture(const std::string& path);

}  // namespace quill::epub
