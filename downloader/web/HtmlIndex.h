#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gsweb::html {

// A document's elements in document order with what selector matching asks of each.
// Walking libxml2's tree costs a cache miss or two per node, several times the matching
// itself; the index pays that once per document, and every query after it scans
// contiguous memory. The tree must not change once the index exists.
class ElementIndex {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    struct Entry {
        const xmlNode* node;
        uint32_t end;            // one past the entry of the last descendant
        uint32_t depth;          // 0 for elements directly below the document node
        uint32_t name;           // see NameId()
        uint32_t idHash;         // IdHash() of the id attribute, 0 without one
        uint64_t classBits;      // TokenBit() of every class
        uint64_t attributeBits;  // NameBit() of every attribute name
    };

    explicit ElementIndex(const xmlDoc* doc);

    const std::vector<Entry>& entries() const { return entries_; }

    // The number standing for a lower-case element name, or kNone when no element has it.
    uint32_t NameId(std::string_view lowerName) const;
    // The entry of an element of this document.
    uint32_t IndexOf(const xmlNode* element) const;

    // One of 64 bits for a token, so that a query can rule out most elements without
    // touching the tree; a set bit still has to be confirmed on the element.
    static uint64_t TokenBit(std::string_view token);
    // The same for a name compared without regard to ASCII case.
    static uint64_t NameBit(std::string_view name);
    static uint32_t IdHash(std::string_view id);

  private:
    void Add(const xmlNode* element, uint32_t depth);
    uint32_t InternName(const xmlChar* name);

    std::vector<Entry> entries_;
    std::unordered_map<std::string, uint32_t> names_;
    // libxml2 keeps one copy of each name per document, so most look-ups stop here.
    std::unordered_map<const xmlChar*, uint32_t> namePointers_;
    std::string scratch_;
};

}  // namespace gsweb::html
