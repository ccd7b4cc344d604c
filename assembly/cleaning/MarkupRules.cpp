#include "MarkupRules.h"

#include <unordered_map>

#include "common/Text.h"
#include "common/Utf8.h"

namespace quill::markup {

namespace {

using Map = std::unordered_map<std::string_view, ElementRule>;

void AddKept(Map& rules, std::string_view name, std::string_view writeAs, Place place,
             Content content) {
    rules[name] = ElementRule{Action::Keep, writeAs, place, content};
}

void AddDropped(Map& rules) {
    // Everything that runs, asks for input, plays or draws: its content is no text either.
    // Void elements (img, embed, link...) are not here but unwrapped like unknown ones: the
    // parser does not know all of them as void and may hang the text after them below them.
    for (std::string_view name :
         {"script",   "style",    "iframe", "frameset", "noframes", "object",   "applet",
          "noscript", "template", "svg",    "math",     "audio",    "video",    "picture",
          "canvas",   "map",      "title",  "button",   "select",   "option",   "optgroup",
          "textarea", "datalist", "output", "progress", "meter",    "colgroup", "portal",
          "slot",     "xml",      "head"}) {
        rules[name] = ElementRule{Action::Drop, name, Place::Inline, Content::Nothing};
    }
}

void AddBlocks(Map& rules) {
    for (std::string_view name : {"p", "pre", "h1", "h2", "h3", "h4", "h5", "h6"}) {
        AddKept(rules, name, name, Place::Block, Content::Phrasing);
    }
    AddKept(rules, "div", "div", Place::Block, Content::Flow);
    AddKept(rules, "blockquote", "blockquote", Place::Block, Content::Flow);
    AddKept(rules, "ul", "ul", Place::Block, Content::List);
    AddKept(rules, "ol", "ol", Place::Block, Content::List);
    AddKept(rules, "menu", "ul", Place::Block, Content::List);
    AddKept(rules, "dir", "ul", Place::Block, Content::List);
    AddKept(rules, "dl", "dl", Place::Block, Content::Definitions);
    AddKept(rules, "table", "table", Place::Block, Content::Table);
    AddKept(rules, "hr", "hr", Place::Block, Content::Nothing);
    // Sections and the like keep the text's blocks apart; their meaning is not needed.
    for (std::string_view name :
         {"section", "article", "aside", "header", "footer", "nav", "main", "figure", "figcaption",
          "address", "center", "details", "summary", "hgroup"}) {
        AddKept(rules, name, "div", Place::Block, Content::Flow);
    }
}

void AddInline(Map& rules) {
    for (std::string_view name :
         {"span", "em",   "strong", "b",    "i",   "u",   "s",    "sub", "sup", "small", "code",
          "q",    "cite", "abbr",   "mark", "var", "kbd", "samp", "bdi", "del", "ins"}) {
        AddKept(rules, name, name, Place::Inline, Content::Phrasing);
    }
    AddKept(rules, "strike", "s", Place::Inline, Content::Phrasing);
    AddKept(rules, "tt", "code", Place::Inline, Content::Phrasing);
    AddKept(rules, "acronym", "abbr", Place::Inline, Content::Phrasing);
    AddKept(rules, "br", "br", Place::Inline, Content::Nothing);
    AddKept(rules, "wbr", "wbr", Place::Inline, Content::Nothing);
    AddKept(rules, "ruby", "ruby", Place::Inline, Content::Ruby);
}

void AddItems(Map& rules) {
    AddKept(rules, "li", "li", Place::ListItem, Content::Flow);
    AddKept(rules, "dt", "dt", Place::Term, Content::Phrasing);
    AddKept(rules, "dd", "dd", Place::Definition, Content::Flow);
    AddKept(rules, "caption", "caption", Place::Caption, Content::Phrasing);
    AddKept(rules, "tr", "tr", Place::TableRow, Content::Row);
    AddKept(rules, "td", "td", Place::Cell, Content::Flow);
    AddKept(rules, "th", "th", Place::Cell, Content::Phrasing);
    AddKept(rules, "rt", "rt", Place::RubyText, Content::Phrasing);
    AddKept(rules, "rp", "rp", Place::RubyText, Content::Text);
}

const Map& Rules() {
    static const Map rules = [] {
        Map map;
        AddDropped(map);
        AddBlocks(map);
        AddInline(map);
        AddItems(map);
        return map;
    }();
    return rules;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view TrimSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\n\f\r";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Only the primary language, and only a registered two-letter one: validators check every
// subtag against the registry, and a book's text needs no more than that.
std::string LanguageOf(std::string_view value) {
    static constexpr std::string_view kIso639 =
        "aa ab ae af ak am an ar as av ay az ba be bg bi bm bn bo br bs ca ce ch co cr cs cu "
        "cv cy da de dv dz ee el en eo es et eu fa ff fi fj fo fr fy ga gd gl gn gu gv ha he "
        "hi ho hr ht hu hy hz ia id ie ig ii ik io is it iu ja jv ka kg ki kj kk kl km kn ko "
        "kr ks ku kv kw ky la lb lg li ln lo lt lu lv mg mh mi mk ml mn mr ms mt my na nb nd "
        "ne ng nl nn no nr nv ny oc oj om or os pa pi pl ps pt qu rm rn ro ru rw sa sc sd se "
        "sg si sk sl sm sn so sq sr ss st su sv sw ta te tg th ti tk tl tn to tr ts tt tw ty "
        "ug uk ur uz ve vi vo wa wo xh yi yo za zh zu";
    value = TrimSpace(value);
    if (value.size() < 2 || !IsAsciiLetter(value[0]) || !IsAsciiLetter(value[1]) ||
        (value.size() > 2 && value[2] != '-')) {
        return "";
    }
    const std::string primary = LowerAscii(value.substr(0, 2));
    for (size_t at = kIso639.find(primary); at != std::string_view::npos;
         at = kIso639.find(primary, at + 1)) {
        if (at % 3 == 0) {
            return primary;
        }
    }
    return "";
}

// A whole number within [low, high] written plainly, or nothing.
std::string NumberIn(std::string_view value, long low, long high) {
    const std::optional<long long> number = ParseInteger(TrimSpace(value));
    return number && *number >= low && *number <= high ? std::to_string(*number) : "";
}

std::string CollapsedClasses(std::string_view value) {
    std::string out;
    size_t start = 0;
    while (start < value.size()) {
        const size_t end = value.find_first_of(" \t\n\f\r", start);
        const std::string_view word = value.substr(start, end - start);
        if (!word.empty()) {
            out += out.empty() ? "" : " ";
            out += word;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return out;
}

// The value written for a kept attribute, or an empty string.
std::string KeptValue(std::string_view element, std::string_view name, std::string_view value) {
    if (name == "class") {
        return CollapsedClasses(value);
    }
    if (name == "title") {
        return std::string(value);
    }
    if (name == "lang") {
        return LanguageOf(value);
    }
    if (name == "dir") {
        const std::string dir = LowerAscii(TrimSpace(value));
        return dir == "ltr" || dir == "rtl" || dir == "auto" ? dir : "";
    }
    if (element == "td" || element == "th") {
        if (name == "colspan") {
            return NumberIn(value, 1, 1000);
        }
        if (name == "rowspan") {
            return NumberIn(value, 0, 65534);
        }
    }
    if (element == "ol") {
        if (name == "start") {
            return NumberIn(value, -999999999, 999999999);
        }
        if (name == "reversed") {
            return "reversed";
        }
        if (name == "type") {
            const std::string_view type = TrimSpace(value);
            return type.size() == 1 && std::string_view("1aAiI").find(type[0]) != type.npos
                       ? std::string(type)
                       : "";
        }
    }
    return "";
}

// Characters that XML does not allow or that HTML calls forbidden: control characters
// (keeping tab and line feed) and the non-characters.
bool Forbidden(char32_t cp) {
    if (cp < 0x20) {
        return cp != '\t' && cp != '\n';
    }
    return (cp >= 0x7F && cp <= 0x9F) || (cp >= 0xFDD0 && cp <= 0xFDEF) ||
           (cp & 0xFFFE) == 0xFFFE || (cp >= 0xD800 && cp <= 0xDFFF);
}

}  // namespace

ElementRule RuleFor(std::string_view name) {
    const Map& rules = Rules();
    const auto hit = rules.find(name);
    return hit == rules.end() ? ElementRule{Action::Unwrap, name, Place::Inline, Content::Flow}
                              : hit->second;
}

bool Accepts(Content content, Place place) {
    switch (content) {
        case Content::Flow:
            return place == Place::Block || place == Place::Inline;
        case Content::Phrasing:
            return place == Place::Inline;
        case Content::List:
            return place == Place::ListItem;
        case Content::Definitions:
            return place == Place::Term || place == Place::Definition;
        case Content::Table:
            return place == Place::Caption || place == Place::TableRow;
        case Content::Row:
            return place == Place::Cell;
        case Content::Ruby:
            return place == Place::Inline || place == Place::RubyText;
        case Content::Text:
        case Content::Nothing:
            return false;
    }
    return false;
}

bool AcceptsText(Content content) {
    return content == Content::Flow || content == Content::Phrasing || content == Content::Text ||
           content == Content::Ruby;
}

std::string KeptAttribute(std::string_view element, std::string_view attribute,
                          std::string_view value) {
    const std::string name = LowerAscii(attribute);
    const std::string kept = KeptValue(element, name, value);
    if (kept.empty()) {
        return "";
    }
    std::string out = " " + name + "=\"";
    AppendEscaped(out, kept, true);
    out += '"';
    return out;
}

void AppendEscaped(std::string& out, std::string_view text, bool inAttribute) {
    for (size_t i = 0; i < text.size();) {
        const auto [cp, length] = DecodeUtf8(text, i);
        if (cp == '&') {
            out += "&amp;";
        } else if (cp == '<') {
            out += "&lt;";
        } else if (cp == '>') {
            out += "&gt;";
        } else if (cp == '"' && inAttribute) {
            out += "&quot;";
        } else if (!Forbidden(cp)) {
            out.append(text, i, length);
        }
        i += length;
    }
}

std::string WithoutForbidden(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const auto [cp, length] = DecodeUtf8(text, i);
        if (!Forbidden(cp)) {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace quill::markup
