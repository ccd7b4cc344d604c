#pragma once

#include <string>
#include <string_view>

namespace quill {

// Replaces every invalid UTF-8 sequence with U+FFFD, so that later steps never stop at one.
std::string SanitizeUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

// Conversions between UTF-8 and UTF-16 (invalid input is sanitised first).
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The text cut to at most `units` UTF-16 code units, never inside a surrogate pair.
std::string TruncateUtf16Units(const std::string& text, size_t units);

}  // namespace quill
