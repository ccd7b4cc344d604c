#include "downloader/QuillObj.h"

namespace quill {

namespace {

// Length of the UTF-8 character starting at text[i] (1 for a stray byte).
size_t CharLength(const std::string& text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    for (size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
            return k;
        }
    }
    return length;
}

// Length of `<p data-p-id="` + 32 characters other than a line feed + `">` at text[i],
// or 0 when the tag is not exactly that.
size_t ParagraphIdTagLength(const std::string& text, size_t i) {
    constexpr std::string_view kOpen = "<p data-p-id=\"";
    if (text.compare(i, kOpen.size(), kOpen) != 0) {
        return 0;
    }
    size_t at = i + kOpen.size();
    for (int count = 0; count < 32; ++count) {
        if (at >= text.size() || text[at] == '\n') {
            return 0;
        }
        at += CharLength(text, at);
    }
    return text.compare(at, 2, "\">") == 0 ? at + 2 - i : 0;
}

}  // namespace

std::string QuillObj::clean_text(const std::string& text) const {
    std::string withoutIds;
    withoutIds.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (const size_t length = text[i] == '<' ? ParagraphIdTagLength(text, i) : 0) {
            withoutIds += "<p>";
            i += length;
        } else {
            withoutIds += text[i++];
        }
    }
    std::string cleaned;
    cleaned.reserve(withoutIds.size());
    for (size_t i = 0; i < withoutIds.size(); ++i) {
        if (withoutIds.compare(i, 2, "\xC2\xA0") == 0) {
            ++i;  // the no-break space goes
        } else {
            cleaned += withoutIds[i];
        }
    }
    return cleaned;
}

}  // namespace quill
