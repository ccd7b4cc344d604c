#pragma once

namespace quill {

// A whole number from the environment variable `name` (the settings tests and demos use),
// when the variable holds one, all of it, of at least `minimum`; otherwise `fallback`, the
// product's own value.
long long NumberSetting(const char* name, long long fallback, long long minimum = 0);

}  // namespace quill
