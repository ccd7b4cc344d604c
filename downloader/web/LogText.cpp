#include "web/LogText.h"

#include "common/Utf8.h"

namespace quill {

namespace {

// Length of the control character that starts `text` (valid UTF-8), or 0.
size_t ControlLength(std::string_view text) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x20 || lead == 0x7F) {
        return 1;
    }
    if (lead == 0xC2 && text.size() >= 2 && byte(1) >= 0x80 && byte(1) <= 0x9F) {
        return 2;  // C1, U+0085 (next line) among them
    }
    if (lead == 0xE2 && text.size() >= 3 && byte(1) == 0x80 &&
        (byte(2) == 0xA8 || byte(2) == 0xA9)) {
        return 3;  // line and paragraph separators
    }
    return 0;
}

}  // namespace

std::string OneLine(std::string_view text) {
    std::string storage;
    if (!IsValidUtf8(text)) {
        storage = SanitizeUtf8(text);
        text = storage;
    }
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (const size_t length = ControlLength(text.substr(i))) {
            line += ' ';
            i += length;
        } else {
            line += text[i++];
        }
    }
    return line;
}

}  // namespace quill
