#include "MarkupWriter.h"

namespace quill::markup {

namespace {

bool IsWhitespace(std::string_view text) {
    return text.find_first_not_of(" \t\n\f\r") == std::string_view::npos;
}

// The elements that renderers draw indented, by the name written.
bool Indents(std::string_view name) {
    return name == "blockquote" || name == "ul" || name == "ol" || name == "dd";
}

bool IsItem(Place place) {
    return place == Place::ListItem || place == Place::Term || place == Place::Definition;
}

}  // namespace

Content MarkupWriter::Current() const {
    // The fragment goes into a document's body, which holds blocks.
    return open_.empty() ? Content::Flow : open_.back().content;
}

ElementRule MarkupWriter::Drawn(const ElementRule& rule, bool& flatList) const {
    flatList = false;
    if (IsItem(rule.place) && !open_.empty() && open_.back().flatList) {
        return ElementRule{rule.action, "div", Place::Block, rule.content};
    }
    if (indents_ < kMaxIndents) {
        return rule;
    }
    // A list of terms does not indent itself, but its definitions would.
    if (rule.content == Content::List || rule.content == Content::Definitions) {
        flatList = true;
        return ElementRule{rule.action, "div", Place::Block, Content::Flow};
    }
    if (Indents(rule.writeAs)) {
        return ElementRule{rule.action, "div", rule.place, rule.content};
    }
    return rule;
}

bool MarkupWriter::Open(const ElementRule& given, const AttributesFor& attributes,
                        const void* owner) {
    CloseSupplied(given.place);
    bool flatList = false;
    const ElementRule rule = Drawn(given, flatList);
    if (!MakeRoom(rule.place)) {
        return false;
    }
    NoteItem(rule.place);
    if (rule.content == Content::Nothing) {
        out_ += "<";
        out_ += rule.writeAs;
        out_ += attributes(rule.writeAs);
        out_ += "/>";
        return false;
    }
    Push(rule.writeAs, rule.content, attributes(rule.writeAs), owner);
    open_.back().flatList = flatList;
    return true;
}

void MarkupWriter::Close(const void* owner) {
    while (!open_.empty()) {
        const bool last = open_.back().owner == owner;
        Pop();
        if (last) {
            return;
        }
    }
}

void MarkupWriter::Text(std::string_view text) {
    if (!AcceptsText(Current())) {
        // Whitespace between list items or table rows is fine as it stands.
        if (IsWhitespace(text)) {
            AppendEscaped(out_, text, false);
            return;
        }
        while (!AcceptsText(Current())) {
            if (!Supply()) {
                return;
            }
        }
    }
    AppendEscaped(out_, text, false);
}

std::string MarkupWriter::Finish() {
    while (!open_.empty()) {
        Pop();
    }
    return std::move(out_);
}

bool MarkupWriter::MakeRoom(Place place) {
    CloseSupplied(place);
    if (place == Place::Caption && !open_.empty() && open_.back().hasRows) {
        return false;  // a caption comes first in its table or not at all
    }
    if (place != Place::Block && place != Place::Inline) {
        return Accepts(Current(), place);
    }
    while (!Accepts(Current(), place)) {
        if (!Supply()) {
            return false;
        }
    }
    return true;
}

void MarkupWriter::CloseSupplied(Place place) {
    while (!open_.empty() && open_.back().owner == nullptr &&
           !Accepts(open_.back().content, place)) {
        Pop();
    }
}

// Opens the item that the current list, table or row needs before content can go in.
bool MarkupWriter::Supply() {
    switch (Current()) {
        case Content::List:
            Push("li", Content::Flow, "", nullptr);
            return true;
        case Content::Definitions:
            NoteItem(Place::Definition);
            Push("dd", Content::Flow, "", nullptr);
            return true;
        case Content::Table:
            NoteItem(Place::TableRow);
            Push("tr", Content::Row, "", nullptr);
            return true;
        case Content::Row:
            Push("td", Content::Flow, "", nullptr);
            return true;
        default:
            return false;
    }
}

// Keeps lists of terms in pairs (a definition needs a term before it, a term a definition
// after it) and marks a table as having rows, after which no caption may come.
void MarkupWriter::NoteItem(Place place) {
    if (open_.empty()) {
        return;
    }
    Frame& parent = open_.back();
    if (place == Place::Term) {
        parent.lastItem = LastItem::Term;
    } else if (place == Place::Definition) {
        if (parent.lastItem == LastItem::None) {
            out_ += "<dt></dt>";
        }
        parent.lastItem = LastItem::Definition;
    } else if (place == Place::TableRow || place == Place::Caption) {
        parent.hasRows = true;
    }
}

void MarkupWriter::Push(std::string_view name, Content content, const std::string& attributes,
                        const void* owner) {
    out_ += "<";
    out_ += name;
    out_ += attributes;
    out_ += ">";
    open_.push_back(Frame{name, content, owner});
    indents_ += Indents(name) ? 1 : 0;
}

void MarkupWriter::Pop() {
    const Frame& frame = open_.back();
    if (frame.content == Content::Definitions && frame.lastItem == LastItem::Term) {
        out_ += "<dd></dd>";
    }
    out_ += "</";
    out_ += frame.name;
    out_ += ">";
    indents_ -= Indents(frame.name) ? 1 : 0;
    open_.pop_back();
}

}  // namespace quill::markup
