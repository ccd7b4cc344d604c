#pragma once

#include <cstddef>
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

// One character of UTF-8 text: its code point and the bytes it takes. A byte that starts no
// valid sequence is a character of its own, U+FFFD, so that a walk over any bytes goes on.
struct Utf8Char {
    char32_t code;
    size_t length;
};
// The character that starts at text[at] (at < text.size()). ASCII, most of any page, is
// decoded here, in the caller's loop.
Utf8Char DecodeUtf8Sequence(std::string_view text, size_t at);
inline Utf8Char DecodeUtf8(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    return lead < 0x80 ? Utf8Char{lead, 1} : DecodeUtf8Sequence(text, at);
}

// The characters in the text, an invalid byte counted as one.
size_t CountUtf8Characters(std::string_view text);

// The longest start of the text that is at most `bytes` long and ends between characters.
std::string_view Utf8Prefix(std::string_view text, size_t bytes);

}  // namespace quill
