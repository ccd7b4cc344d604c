#pragma once

// Internals shared by the parsed-document files: ownership of the libxml2 tree, node
// helpers, and a tree walk that never recurses (pages can nest elements arbitrarily deep
// once built through the tree API, and the downloader must not overflow its stack on them).

#include <libxml/tree.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "HtmlIndex.h"
#include "web/Html.h"

namespace gsweb {

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

struct DocumentData {
    XmlDocPtr doc;
    // The size of the page it was parsed from: the whole document's markup comes out about
    // as large, and reserving that much up front saves the copies of a growing string.
    size_t sourceBytes = 0;

    // Built by the first query, from then on shared by all; the tree never changes after
    // parsing, so it never goes stale.
    const html::ElementIndex& Index() const {
        std::call_once(indexOnce_,
                       [this] { index_ = std::make_unique<html::ElementIndex>(doc.get()); });
        return *index_;
    }

  private:
    mutable std::once_flag indexOnce_;
    mutable std::unique_ptr<html::ElementIndex> index_;
};

// Builds documents and elements from libxml2 trees and nodes, and back; the tests use it
// for trees the parser would never produce.
struct ElementAccess {
    static Document Adopt(XmlDocPtr doc, size_t sourceBytes = 0) {
        auto data = std::make_shared<DocumentData>();
        data->doc = std::move(doc);
        data->sourceBytes = sourceBytes;
        return Document(std::move(data));
    }
    static Element Make(std::shared_ptr<const DocumentData> document, const xmlNode* node) {
        return Element(std::move(document), node);
    }
    static const xmlNode* Node(const Element& element) {
        return static_cast<const xmlNode*>(element.node_);
    }
};

namespace html {

// Parses a page, mending invalid UTF-8 and NUL bytes first; throws quill::ValueError when
// libxml2 had to stop before the end.
XmlDocPtr ParseHtml(std::string_view html);

// The document node seen as a tree node; libxml2 lays both out alike for this purpose.
inline const xmlNode* AsNode(const xmlDoc* doc) {
    return reinterpret_cast<const xmlNode*>(doc);
}

inline std::string_view View(const xmlChar* text) {
    return text == nullptr ? std::string_view()
                           : std::string_view(reinterpret_cast<const char*>(text));
}

// HTML's white space, which separates the classes of a class attribute.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Calls `use` with each blank-separated token of `list`, e.g. each class of a class attribute;
// stops early and returns true as soon as `use` does.
template <class Use>
bool AnyToken(std::string_view list, Use&& use) {
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsBlank(list[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < list.size() && !IsBlank(list[i])) {
            ++i;
        }
        if (i > start && use(list.substr(start, i - start))) {
            return true;
        }
    }
    return false;
}

std::string LowerAscii(std::string_view text);

// ASCII case-insensitive comparison; `lower` must already be lower case.
bool EqualsLower(std::string_view text, std::string_view lower);

const xmlAttr* FindAttribute(const xmlNode* element, std::string_view lowerName);

// The attribute's value; points into the tree when the value is one text node (the
// parser's usual result), otherwise into `scratch`.
std::string_view AttributeValue(const xmlAttr* attribute, std::string& scratch);

// Elements written as `<br/>` and never given content by the parser.
bool IsVoidElement(const xmlNode* element);
// Elements whose text the parser keeps verbatim (script, style).
bool IsRawTextElement(const xmlNode* element);

enum class Visit { Children, SkipChildren, Stop };

// Walks the descendants of `scope` in document order. `enter(node)` runs before a node's
// children and decides whether they are visited; `leave(node)` runs after them (also for
// nodes whose children were skipped). Returns false when `enter` stopped the walk.
template <class Enter, class Leave>
bool WalkDescendants(const xmlNode* scope, Enter&& enter, Leave&& leave) {
    const xmlNode* node = scope->children;
    while (node != nullptr) {
        const Visit visit = enter(node);
        if (visit == Visit::Stop) {
            return false;
        }
        if (visit == Visit::Children && node->children != nullptr) {
            node = node->children;
            continue;
        }
        for (;;) {
            leave(node);
            if (node->next != nullptr) {
                node = node->next;
                break;
            }
            node = node->parent;
            if (node == scope || node == nullptr) {
                return true;
            }
        }
    }
    return true;
}

// The same walk over `root` itself and its descendants.
template <class Enter, class Leave>
void WalkSubtree(const xmlNode* root, Enter&& enter, Leave&& leave) {
    const Visit visit = enter(root);
    if (visit == Visit::Stop) {
        return;
    }
    if (visit == Visit::Children && !WalkDescendants(root, enter, leave)) {
        return;
    }
    leave(root);
}

}  // namespace html
}  // namespace gsweb
