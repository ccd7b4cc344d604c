#pragma once

#include <string>
#include <string_view>

namespace quill {

// The text without leading and trailing white space (ASCII and Unicode blanks alike).
std::string Strip(std::string_view text);

// Bytes written as a Python bytes literal, b'...', with non-printable bytes escaped.
std::string EscapedBytes(std::string_view bytes);

// Text made fit to stand between tags: "&", "<" and ">" written as entities.
std::string EscapeText(std::string_view text);

}  // namespace quill
