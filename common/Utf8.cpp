#include "common/Utf8.h"

#include <cstdint>
#include <cstring>

namespace quill {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when it is invalid.
size_t ValidSequenceLength(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

char32_t DecodeAt(std::string_view s, size_t i, size_t length) {
    const auto byte = [&](size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(s[k]));
    };
    switch (length) {
        case 1:
            return byte(i);
        case 2:
            return (byte(i) & 0x1F) << 6 | (byte(i + 1) & 0x3F);
        case 3:
            return (byte(i) & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F);
        default:
            return (byte(i) & 0x07) << 18 | (byte(i + 1) & 0x3F) << 12 | (byte(i + 2) & 0x3F) << 6 |
                   (byte(i + 3) & 0x3F);
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";

}  // namespace

// Pages are mostly ASCII markup, so ASCII is skipped eight bytes at a time.
bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if (i + 8 <= bytes.size()) {
            uint64_t word;
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const size_t length = ValidSequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        // Copy runs of ASCII in one go; pages are mostly ASCII markup.
        size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) {
            ++run;
        }
        out.append(bytes.data() + i, run - i);
        i = run;
        if (i >= bytes.size()) {
            break;
        }
        const size_t length = ValidSequenceLength(bytes, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.data() + i, length);
            i += length;
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    const std::string clean = SanitizeUtf8(text);
    std::u16string out;
    out.reserve(clean.size());
    for (size_t i = 0; i < clean.size();) {
        const size_t length = ValidSequenceLength(clean, i);
        const char32_t c = DecodeAt(clean, i, length);
        i += length;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(out, c);
    }
    return out;
}

Utf8Char DecodeUtf8Sequence(std::string_view text, size_t at) {
    const size_t length = ValidSequenceLength(text, at);
    if (length == 0) {
        return {0xFFFD, 1};
    }
    return {DecodeAt(text, at, length), length};
}

size_t CountUtf8Characters(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); i += DecodeUtf8(text, i).length) {
        ++count;
    }
    return count;
}

std::string_view Utf8Prefix(std::string_view text, size_t bytes) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t next = end + DecodeUtf8(text, end).length;
        if (next > bytes) {
            break;
        }
        end = next;
    }
    return text.substr(0, end);
}

std::string TruncateUtf16Units(const std::string& text, size_t units) {
    const std::string clean = SanitizeUtf8(text);
    size_t used = 0;
    size_t i = 0;
    while (i < clean.size()) {
        const size_t length = ValidSequenceLength(clean, i);
        const size_t cost = length == 4 ? 2 : 1;
        if (used + cost > units) {
            break;
        }
        used += cost;
        i += length;
    }
    return clean.substr(0, i);
}

}  // namespace quill
