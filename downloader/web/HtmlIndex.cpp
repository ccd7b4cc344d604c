#include "HtmlIndex.h"

#include "HtmlTree.h"

namespace gsweb::html {

namespace {

// FNV-1a, optionally over the ASCII lower-case form of the text.
uint64_t Fnv(std::string_view text, bool foldCase = false) {
    uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        if (foldCase && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

uint64_t ClassBits(std::string_view classes) {
    uint64_t bits = 0;
    AnyToken(classes, [&](std::string_view name) {
        bits |= ElementIndex::TokenBit(name);
        return false;
    });
    return bits;
}

}  // namespace

uint64_t ElementIndex::TokenBit(std::string_view token) {
    return uint64_t{1} << (Fnv(token) >> 58);
}

uint64_t ElementIndex::NameBit(std::string_view name) {
    return uint64_t{1} << (Fnv(name, true) >> 58);
}

uint32_t ElementIndex::IdHash(std::string_view id) {
    const uint32_t hash = static_cast<uint32_t>(Fnv(id) >> 32);
    return hash == 0 ? 1 : hash;  // 0 means "no id"
}

ElementIndex::ElementIndex(const xmlDoc* doc) {
    // Each element's position is kept in libxml2's field for application data, so that a
    // query below an element finds its entry at once.
    uint32_t depth = 0;
    WalkDescendants(
        AsNode(doc),
        [&](const xmlNode* node) {
            if (node->type != XML_ELEMENT_NODE) {
                return Visit::SkipChildren;
            }
            Add(node, depth++);
            return Visit::Children;
        },
        [&](const xmlNode* node) {
            if (node->type == XML_ELEMENT_NODE) {
                --depth;
                entries_[IndexOf(node)].end = static_cast<uint32_t>(entries_.size());
            }
        });
}

void ElementIndex::Add(const xmlNode* element, uint32_t depth) {
    Entry entry{element, 0, depth, InternName(element->name), 0, 0, 0};
    for (const xmlAttr* attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
        const std::string_view name = View(attribute->name);
        if (EqualsLower(name, "class")) {
            entry.classBits = ClassBits(AttributeValue(attribute, scratch_));
        } else if (EqualsLower(name, "id")) {
            entry.idHash = IdHash(AttributeValue(attribute, scratch_));
        }
        entry.attributeBits |= NameBit(name);
    }
    const_cast<xmlNode*>(element)->_private = reinterpret_cast<void*>(entries_.size() + 1);
    entries_.push_back(entry);
}

uint32_t ElementIndex::InternName(const xmlChar* name) {
    const auto known = namePointers_.find(name);
    if (known != namePointers_.end()) {
        return known->second;
    }
    const uint32_t id = names_.emplace(LowerAscii(View(name)), names_.size()).first->second;
    namePointers_.emplace(name, id);
    return id;
}

uint32_t ElementIndex::NameId(std::string_view lowerName) const {
    const auto found = names_.find(std::string(lowerName));
    return found == names_.end() ? kNone : found->second;
}

uint32_t ElementIndex::IndexOf(const xmlNode* element) const {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(element->_private) - 1);
}

}  // namespace gsweb::html
