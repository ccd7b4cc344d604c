#include "downloader/QuillObj.h"

#include "common/Utf8.h"

namespace quill {

namespace {

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
        at += DecodeUtf8(text, at).length;
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
