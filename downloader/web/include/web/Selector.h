#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

namespace gsweb {

namespace html {
class ElementIndex;
}

// A compiled CSS selector, reusable across documents. Understands type and universal
// selectors, classes, ids, attribute presence and equality, compounds of these, the
// descendant and child combinators, and comma-separated lists.
class Selector {
  public:
    // Throws quill::SelectorError naming the selector and what it cannot handle.
    static Selector Parse(std::string_view text);

    const std::string& text() const { return text_; }

    // Elements below `scope` (an element or the document node of the indexed document), in
    // document order without repeats, at most `limit` of them. Ancestors of `scope` may
    // satisfy the left-hand parts of a selector, as they do in a browser's querySelectorAll.
    std::vector<const _xmlNode*> MatchBelow(const html::ElementIndex& index, const _xmlNode* scope,
                                            size_t limit = SIZE_MAX) const;

    struct AttributeTest {
        std::string name;  // lower case
        std::optional<std::string> value;
    };

    enum class Combinator { None, Descendant, Child };

    struct Compound {
        std::string type;  // lower case; empty for any element
        std::vector<std::string> ids;
        std::vector<std::string> classes;
        std::vector<AttributeTest> attributes;
        // How this compound joins the one before it; None starts a selector of the list.
        Combinator combinator = Combinator::None;
        // The compound that names the matched elements (the last of its selector).
        bool subject = false;
    };

  private:
    Selector(std::string text, std::vector<Compound> compounds)
        : text_(std::move(text)), compounds_(std::move(compounds)) {}

    std::string text_;
    // All selectors of the list, one after another.
    std::vector<Compound> compounds_;
};

}  // namespace gsweb
