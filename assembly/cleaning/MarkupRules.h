#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cleaning/MarkupText.h"

// What the chapter cleaning keeps: which elements, where they may stand, what they may hold,
// and which attribute values are harmless.
namespace quill::markup {

// What an element may hold.
enum class Content : uint8_t {
    Flow,         // blocks and inline text (div, li, td)
    Phrasing,     // inline text only (p, h2, span)
    Text,         // text without markup (rp)
    List,         // li only (ul, ol)
    Definitions,  // dt and dd only (dl)
    Table,        // an optional first caption, then rows
    Row,          // cells only (tr)
    Ruby,         // inline text with rt and rp
    Nothing,      // void elements (br, hr)
};

// Where an element may stand.
enum class Place : uint8_t {
    Block,       // where blocks go
    Inline,      // where inline text goes (and so also where blocks go)
    ListItem,    // li
    Term,        // dt
    Definition,  // dd
    Caption,     // caption, first in a table
    TableRow,    // tr
    Cell,        // td, th
    RubyText,    // rt, rp
};

enum class Action : uint8_t {
    Keep,    // written out, under its own or a modern name
    Unwrap,  // left out, its content kept
    Drop,    // left out with everything inside it
};

struct ElementRule {
    Action action = Action::Unwrap;
    std::string_view writeAs;  // the name written out (strike becomes s)
    Place place = Place::Inline;
    Content content = Content::Phrasing;
};

// The rule for a lower-case element name; unknown names are unwrapped.
ElementRule RuleFor(std::string_view name);

// Whether content of that kind accepts an element of that place.
bool Accepts(Content content, Place place);
// Whether text may stand directly in content of that kind (whitespace always may).
bool AcceptsText(Content content);

// The attribute written for element/attribute=value, as ` name="value"` with the value
// escaped, or an empty string when the attribute is not kept. Kept are only attributes that
// can neither load nor run anything and whose value is valid where it stands.
std::string KeptAttribute(std::string_view element, std::string_view attribute,
                          std::string_view value);

}  // namespace quill::markup
