#pragma once

#include <string>

// The pause after each fetched chapter is shared with the window's progress.
#include "common/Pacing.h"

namespace quill {

// The story site's base address, without a trailing slash. QUILLBY_BASE_URL replaces it
// (tests point it at the local story-site simulator).
std::string BaseUrl();

}  // namespace quill
