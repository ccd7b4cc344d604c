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
