#pragma once

#include <string>

namespace quill {

// A whole number from the environment variable `name` (the settings tests and demos use),
// when the variable holds one, all of it, of at least `minimum`; otherwise `fallback`, the
// product's own value.
long long NumberSetting(const char* name, long long fallback, long long minimum = 0);

// The story site's base address, without a trailing slash: QUILLBY_BASE_URL (tests point it
// at the local story-site simulator), otherwise the real site's. The downloader reads the
// site there, and the window accepts only addresses on its host.
std::string StorySiteUrl();

}  // namespace quill
