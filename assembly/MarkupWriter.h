#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MarkupRules.h"

namespace quill::markup {

// Writes the cleaned fragment while the page's tree is walked: keeps the stack of open
// elements, refuses elements their place does not allow, and opens the list items, table
// rows and cells that content needs where the page left them out.
class MarkupWriter {
  public:
    // Opens a kept element unless its place does not allow it. `attributes` is already
    // written (` name="value"`...). Returns whether the element was opened; a void element
    // is written whole and counts as not opened.
    bool Open(const ElementRule& rule, const std::string& attributes, const void* owner);
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
        const void* owner;  // the page's element, or nullptr for one supplied here
        bool hasRows = false;
        LastItem lastItem = LastItem::None;
    };

    Content Current() const;
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
    std::string out_;
};

}  // namespace quill::markup
