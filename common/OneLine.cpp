#include "common/OneLine.h"

#include "common/Utf8.h"

namespace quill {

namespace {

// C0 and C1 controls, DEL, and the line and paragraph separators.
bool BreaksOrControls(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::string OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Utf8Char c = DecodeUtf8(text, i);
        if (BreaksOrControls(c.code)) {
            line += ' ';
        } else if (c.code == 0xFFFD && c.length == 1) {
            line += "\xEF\xBF\xBD";  // a byte that is no UTF-8
        } else {
            line.append(text, i, c.length);
        }
        i += c.length;
    }
    return line;
}

std::string OneLineLabel(std::string_view text) {
    const std::string line = OneLine(text);
    std::string label;
    label.reserve(line.size());
    bool blank = false;
    for (const char c : line) {
        if (c == ' ') {
            blank = !label.empty();
            continue;
        }
        if (blank) {
            label += ' ';
            blank = false;
        }
        label += c;
    }
    return label;
}

}  // namespace quill
