#include "downloader/Text.h"

#include <algorithm>

#include "common/Utf8.h"

namespace quill {

namespace {

// White space as Python's str.strip() knows it.
bool IsSpace(char32_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || (c >= 0x1C && c <= 0x1F) || c == 0x85 ||
           c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

std::string Strip(std::string_view text) {
    size_t begin = text.size(), end = 0;  // the first non-blank character, and past the last
    for (size_t i = 0; i < text.size();) {
        const Utf8Char c = DecodeUtf8(text, i);
        if (!IsSpace(c.code)) {
            begin = std::min(begin, i);
            end = i + c.length;
        }
        i += c.length;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::string EscapedBytes(std::string_view bytes) {
    // Like Python: single quotes unless the bytes hold a single quote and no double quote.
    const bool hasSingle = bytes.find('\'') != std::string_view::npos;
    const char quote = hasSingle && bytes.find('"') == std::string_view::npos ? '"' : '\'';
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "b";
    out += quote;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\\' || c == static_cast<unsigned char>(quote)) {
            out += '\\';
            out += byte;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += byte;
        }
    }
    out += quote;
    return out;
}

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace quill
