#pragma once

// The files of the EPUB edition as text: the package document, the two tables of contents,
// the cover page, the chapter documents, the style sheet and the container's pointer.

#include <optional>
#include <string>
#include <vector>

#include "EpubCover.h"
#include "EpubPictures.h"

namespace quill::epub {

// What the package records about the story; every text as the run log gives it.
struct BookMetadata {
    std::string identifier;  // "urn:uuid:..."
    std::string title;
    std::string author;        // empty: no creator recorded
    std::string language;      // a language tag
    bool rightToLeft = false;  // the language is written right to left
    std::string source;        // the story's address; empty: none recorded
    std::string modified;      // W3C time of the build
    std::optional<CoverPicture> cover;
    std::vector<ContentPicture> pictures;  // the pictures the chapters show
};

// One chapter document: chapter-N.xhtml, listed in the contents under its heading.
struct ChapterEntry {
    int number = 0;
    std::string heading;  // one line, never empty
};

// Where the package document sits; the container file points at it.
constexpr const char* kPackagePath = "OEBPS/content.opf";
constexpr const char* kContentFolder = "OEBPS/";
// The package's own vocabulary, for the record of the chapters the book holds.
constexpr const char* kPackagePrefix = "quillby: https://www.inkvale.com/quillby/epub#";
constexpr const char* kChaptersProperty = "quillby:chapters";

std::string ChapterFileName(int number);
std::string ContainerXml();
std::string StyleSheet();
// The package lists `chapters` and records `held` as the chapters the book holds: those of
// them that kept their text.
std::string PackageDocument(const BookMetadata& book, const std::vector<int>& chapters,
                            const std::vector<int>& held);
std::string NavDocument(const BookMetadata& book, const std::vector<ChapterEntry>& chapters);
std::string NcxDocument(const BookMetadata& book, const std::vector<ChapterEntry>& chapters);
std::string CoverPage(const BookMetadata& book);
// A chapter document around the cleaned chapter (a well-formed XHTML fragment).
std::string ChapterDocument(const BookMetadata& book, const ChapterEntry& chapter,
                            const std::string& fragment);

}  // namespace quill::epub
