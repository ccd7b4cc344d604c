#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The text without leading and trailing white space (ASCII and Unicode blanks alike).
std::string Strip(std::string_view text);

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Bytes written as a Python bytes literal, b'...', with non-printable bytes escaped.
std::string EscapedBytes(std::string_view bytes);

// The digits of the first `"pages":<digits>,` in the markup, the key in any letter case;
// nothing when there is no such place. The digits may be empty.
std::optional<std::string> FindPageCount(std::string_view markup);

}  // namespace quill
