#include "TextDirection.h"

#include "FragmentPieces.h"

namespace quill::markup {

namespace {

bool IsHeading(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// List items are left out: the HTML engine draws an item as its list's direction, whatever
// the item says, and a list's dir="auto" looks past items that carry a direction of their
// own. So the list takes the direction from the text of its first item, for all of them.
bool TakesDirection(std::string_view name) {
    static constexpr std::string_view kBlocks[] = {"p",  "pre", "blockquote", "ul", "ol",     "dl",
                                                   "dt", "dd",  "td",         "th", "caption"};
    for (const std::string_view block : kBlocks) {
        if (name == block) {
            return true;
        }
    }
    return IsHeading(name);
}

}  // namespace

std::string WithDirections(std::string_view xhtml, bool rightToLeftStory) {
    std::string out;
    out.reserve(xhtml.size() + xhtml.size() / 16);
    ForEachPiece(
        xhtml,
        [&](std::string_view tag) {
            const std::string_view name = StartTagName(tag);
            // Attributes are written as ` name="value"`, a quote in a value as &quot;.
            if (!TakesDirection(name) || tag.find(" dir=\"") != std::string_view::npos ||
                tag.back() != '>' || tag[tag.size() - 2] == '/') {
                out += tag;
                return;
            }
            out += tag.substr(0, tag.size() - 1);
            out += rightToLeftStory && IsHeading(name) ? " dir=\"rtl\">" : " dir=\"auto\">";
        },
        [&](std::string_view text) { out += text; });
    return out;
}

}  // namespace quill::markup
