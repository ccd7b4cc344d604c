#pragma once

#include <string_view>

namespace quill {

// How much of a PDF's end LooksLikeWholePdf wants to see.
constexpr size_t kPdfTailBytes = 1024;

// Whether a PDF looks whole: it begins with its header and its last bytes (up to
// kPdfTailBytes of them) hold its end-of-file mark. A PDF cut short by a full disk or a
// crash does not.
bool LooksLikeWholePdf(std::string_view head, std::string_view tail);

}  // namespace quill
