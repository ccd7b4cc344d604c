#include "PicturePass.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/PictureList.h"
#include "common/Text.h"

namespace quill::markup {

namespace {

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string Attribute(const xmlNode* element, const char* name) {
    const std::unique_ptr<xmlChar, XmlFree> value(
        xmlGetProp(const_cast<xmlNode*>(element), reinterpret_cast<const xmlChar*>(name)));
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

// A size the story gave in pixels ("320", "320px" is not one); 0 when it gave none.
uint32_t GivenSize(const xmlNode* img, const char* name) {
    const std::optional<long long> value = ParseInteger(TrimmedSource(Attribute(img, name)));
    return value && *value >= 1 && *value <= 10000 ? static_cast<uint32_t>(*value) : 0;
}

uint32_t Scaled(uint32_t side, uint32_t numerator, uint32_t denominator) {
    return std::max<uint32_t>(
        1, static_cast<uint32_t>(std::lround(static_cast<double>(side) * numerator / denominator)));
}

// The story's width and height for the picture, kept to its proportions; empty when the
// story gave neither, and the picture then takes its own size.
std::string SizeAttributes(const xmlNode* img, const ShownPicture& picture) {
    uint32_t width = GivenSize(img, "width");
    uint32_t height = GivenSize(img, "height");
    if (picture.width == 0 || picture.height == 0 || (width == 0 && height == 0)) {
        return "";
    }
    if (width != 0) {
        height = Scaled(width, picture.height, picture.width);
    } else {
        width = Scaled(height, picture.width, picture.height);
    }
    return " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
}

std::string Quoted(std::string_view name, std::string_view value) {
    std::string out = " " + std::string(name) + "=\"";
    AppendEscaped(out, value, true);
    return out + "\"";
}

}  // namespace

void WritePicture(MarkupWriter& writer, const xmlNode* img, const PictureLookup& pictures) {
    const std::string alt = Attribute(img, "alt");
    const std::optional<ShownPicture> picture = pictures(TrimmedSource(Attribute(img, "src")));
    if (picture) {
        const std::string attributes = Quoted("src", picture->file) + Quoted("alt", alt) +
                                       " class=\"picture\"" + SizeAttributes(img, *picture);
        writer.Open(
            ElementRule{Action::Keep, "img", Place::Inline, Content::Nothing},
            [&attributes](std::string_view) { return attributes; }, img);
        return;
    }
    if (TrimmedSource(alt).empty()) {
        return;
    }
    if (writer.Open(
            ElementRule{Action::Keep, "span", Place::Inline, Content::Phrasing},
            [](std::string_view) { return std::string(" class=\"picture-alt\""); }, img)) {
        writer.Text(alt);
        writer.Close(img);
    }
}

}  // namespace quill::markup
