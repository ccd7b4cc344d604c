#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// A picture as a book shows it: a file of the work folder that every reader and the HTML
// engine can draw.
struct BookPicture {
    std::string file;       // its name in the work folder
    std::string mediaType;  // "image/jpeg", "image/png" or "image/gif"
    uint32_t width = 0;     // in pixels
    uint32_t height = 0;
};

// Pictures wider than this are scaled down for the book: a page shows no more, and camera
// photographs would otherwise make books of hundreds of megabytes.
constexpr uint32_t kMaxBookPictureWidth = 1600;

// The pictures of one build's work folder, each made fit for a book once and shared by both
// editions. A JPEG, PNG or GIF no wider than kMaxBookPictureWidth is shown as it is; a wider
// one is scaled down, and a WebP converted (neither the HTML engine nor EPUB 3.0 readers are
// sure to draw it), into "book-<hex>.jpg" for photographs and "book-<hex>.png" for the rest.
// The downloader's copies are never changed. Every picture is checked again by its header
// before it is decoded.
class BookPictures {
  public:
    explicit BookPictures(std::string workFolder);

    struct Result {
        std::optional<BookPicture> picture;
        std::string why;  // when there is none: why, in words for the log
    };
    // The book's picture for the work folder's picture `file` (a PictureFileName). Throws
    // EFCreateError or EWriteError when a copy cannot be written.
    const Result& Prepare(const std::string& file);

    // What besides a picture's bytes shapes the picture a book shows: the width, the
    // qualities and the library's version, for the render cache's key.
    static std::string Identity();

    // Whether a file name of the work folder is a copy Prepare made ("book-…").
    static bool IsCopyName(std::string_view name);

  private:
    Result Make(const std::string& file) const;

    std::string folder_;
    std::map<std::string, Result> prepared_;
};

}  // namespace quill
