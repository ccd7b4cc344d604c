#pragma once

#include <cstddef>

namespace quill {

// More pages than this in one chapter is no story the site serves, and fetching them back to
// back would hammer it, so such a count fails the chapter instead.
constexpr int kMaxPages = 1000;

// The largest chapter file the downloader writes. Real chapters are a few hundred kilobytes;
// past this the book would not be worth rendering, and the job's memory stays bounded.
constexpr size_t kMaxChapterBytes = size_t{16} << 20;

}  // namespace quill

namespace quill {

// A chapter's pictures: at most this many bytes each and all together, and this many
// different ones. Photographs from a camera are a few megabytes; past these bounds a book
// grows by hundreds of megabytes, and a chapter cannot make thousands of requests.
constexpr size_t kMaxPictureBytes = size_t{8} << 20;
constexpr size_t kMaxChapterPictureBytes = size_t{64} << 20;
constexpr size_t kMaxChapterPictures = 200;

}  // namespace quill
