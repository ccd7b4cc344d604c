#pragma once

#include <chrono>
#include <string>

namespace quill {

// The story site's base address, without a trailing slash. QUILLBY_BASE_URL replaces it
// (tests point it at the local story-site simulator).
std::string BaseUrl();

// The pause after each saved chapter, so that the site is read at a person's pace.
// QUILLBY_CHAPTER_PAUSE_MS replaces it.
std::chrono::milliseconds ChapterPause();

}  // namespace quill
