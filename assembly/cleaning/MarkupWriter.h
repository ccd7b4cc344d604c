#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "MarkupRules.h"

namespace quill::markup {

// The attributes of the page's element as written (` name="value"`...) for an element of
// the given name.
using AttributesFor = std::function<std::string(std::string_view writeAs)>;

// Writes the cleaned fragment while the page's tree is walked: keeps the stack of open
// elements, refuses elements their place does not allow, and opens the list items, table
// rows and cells that content needs where the page left them out.
//
// Quotes and lists nest visibly only kMaxIndents deep. Every level indents the text, and
// a page that nests them dozens of levels deep would push its text off the right edge of
// the page; deeper ones are written as plain blocks, their items one block each, so they
// stand at the deepest drawn level with all of their text.
class MarkupWriter {
  public:
    static constexpr int kMaxIndents = 8;

    // Opens a kept element unless its place does not allow it. Returns whether the element
    // was opened; a void element is written whole and counts as not opened.
    bool Open(const ElementRule& rule, const AttributesFor& attributes, const void* owner);
    // Closes the element opened for owner, and anything opened inside it.
    void Close(const void* owner);
    // Text of the page. Where only items may stand, whitespace stays as it is and other
    // text gets the item it needs.
    void Text(std::string_view text);

    // Closes what is still open and hands over the fragment.
    std::string Finish();

  private:
    enum class LastItem { None, Term, Definition };
    struct Frame {
        std::string_view name;
        Content content;
        const void* owner;      // the page's element, or nullptr for one supplied here
        bool flatList = false;  // a list beyond the indent limit, written as a block
        bool hasRows = false;
        LastItem lastItem = LastItem::None;
    };

    Content Current() const;
    // The rule as written here: beyond the indent limit, quotes and lists and the items of
    // such lists become plain blocks.
    ElementRule Drawn(const ElementRule& rule, bool& flatList) const;
    // Makes room for something of that place: closes supplied items that cannot hold it
    // and supplies the ones needed. False when it cannot stand here at all.
    bool MakeRoom(Place place);
    void CloseSupplied(Place place);
    bool Supply();
    void Push(std::string_view name, Content content, const std::string& attributes,
              const void* owner);
    void Pop();
    void NoteItem(Place place);

    std::vector<Frame> open_;
    int indents_ = 0;  // open elements that indent their content
    std::string out_;
};

}  // namespace quill::markup
