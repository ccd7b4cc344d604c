#pragma once

#include <chrono>

namespace quill {

// The pause after each chapter fetched from the site, so that it is read at a person's
// pace. QUILLBY_CHAPTER_PAUSE_MS replaces it. The downloader pauses for it; the window's
// progress counts down the same pause.
std::chrono::milliseconds ChapterPause();

}  // namespace quill
