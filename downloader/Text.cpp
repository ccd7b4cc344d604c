#include "downloader/Text.h"

namespace quill {

namespace {

// Length of the white-space character at the start of text, or 0.
size_t SpaceLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const auto c = static_cast<unsigned char>(text[0]);
    if (c == ' ' || (c >= '\t' && c <= '\r') || (c >= 0x1C && c <= 0x1F)) {
        return 1;
    }
    // U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000
    static constexpr std::string_view kSpaces[] = {
        "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81",
        "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86",
        "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
        "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};
    for (const std::string_view space : kSpaces) {
        if (text.substr(0, space.size()) == space) {
            return space.size();
        }
    }
    return 0;
}

// Length of the white-space character that ends text, or 0.
size_t TrailingSpaceLength(std::string_view text) {
    for (size_t length = 1; length <= 3 && length <= text.size(); ++length) {
        const std::string_view tail = text.substr(text.size() - length);
        if (SpaceLength(tail) == length) {
            return length;
        }
    }
    return 0;
}

}  // namespace

std::string Strip(std::string_view text) {
    while (const size_t length = SpaceLength(text)) {
        text.remove_prefix(length);
    }
    while (const size_t length = TrailingSpaceLength(text)) {
        text.remove_suffix(length);
    }
    return std::string(text);
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
