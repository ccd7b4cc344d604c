#include <algorithm>
#include <cstdint>

#include "HtmlIndex.h"
#include "HtmlTree.h"
#include "web/Selector.h"

namespace gsweb {

namespace {

using Compound = Selector::Compound;
using html::View;

// Checks ids, classes and attributes on the element itself, after the index has narrowed
// the candidates. Attribute names compare without regard to case, values and classes with it.
bool Confirms(const Compound& compound, const xmlNode* element, std::string& scratch) {
    if (!compound.ids.empty()) {
        const xmlAttr* id = html::FindAttribute(element, "id");
        if (id == nullptr) {
            return false;
        }
        const std::string_view value = html::AttributeValue(id, scratch);
        for (const std::string& wanted : compound.ids) {
            if (value != wanted) {
                return false;
            }
        }
    }
    if (!compound.classes.empty()) {
        const xmlAttr* classes = html::FindAttribute(element, "class");
        if (classes == nullptr) {
            return false;
        }
        const std::string_view list = html::AttributeValue(classes, scratch);
        for (const std::string& wanted : compound.classes) {
            if (!html::AnyToken(list, [&](std::string_view name) { return name == wanted; })) {
                return false;
            }
        }
    }
    for (const Selector::AttributeTest& test : compound.attributes) {
        const xmlAttr* attribute = html::FindAttribute(element, test.name);
        if (attribute == nullptr ||
            (test.value && html::AttributeValue(attribute, scratch) != *test.value)) {
            return false;
        }
    }
    return true;
}

// A compound turned into cheap tests on index entries, for one query on one document.
struct Prepared {
    bool impossible = false;                    // names an element the document does not have
    uint32_t name = html::ElementIndex::kNone;  // kNone: any element
    uint32_t idHash = 0;
    uint64_t classBits = 0;
    uint64_t attributeBits = 0;
    bool confirm = false;  // the bits may be shared by other names, so the tree has the last word
};

Prepared Prepare(const Compound& compound, const html::ElementIndex& index) {
    Prepared prepared;
    if (!compound.type.empty()) {
        prepared.name = index.NameId(compound.type);
        prepared.impossible = prepared.name == html::ElementIndex::kNone;
    }
    for (const std::string& id : compound.ids) {
        prepared.idHash = html::ElementIndex::IdHash(id);
        prepared.impossible = prepared.impossible || id != compound.ids.front();
    }
    for (const std::string& name : compound.classes) {
        prepared.classBits |= html::ElementIndex::TokenBit(name);
    }
    for (const Selector::AttributeTest& test : compound.attributes) {
        prepared.attributeBits |= html::ElementIndex::NameBit(test.name);
    }
    prepared.confirm =
        !compound.ids.empty() || !compound.classes.empty() || !compound.attributes.empty();
    return prepared;
}

bool MayMatch(const Prepared& prepared, const html::ElementIndex::Entry& entry) {
    return !prepared.impossible &&
           (prepared.name == html::ElementIndex::kNone || prepared.name == entry.name) &&
           (prepared.idHash == 0 || prepared.idHash == entry.idHash) &&
           (entry.classBits & prepared.classBits) == prepared.classBits &&
           (entry.attributeBits & prepared.attributeBits) == prepared.attributeBits;
}

// What the scan knows about each open element: which compounds match the element itself
// ("here"), and which match it or one of its ancestors ("above"). A compound after a child
// combinator needs its predecessor "here" on the parent, one after a descendant combinator
// needs it "above" on the parent, so every element is looked at once, whatever the depth.
// In document order the parent of an element at depth d is the last element seen at d - 1,
// so one frame per depth is all the state there is.
class MatchState {
  public:
    MatchState(const std::vector<Compound>& compounds, const html::ElementIndex& index)
        : compounds_(compounds), words_((compounds.size() + 63) / 64) {
        for (const Compound& compound : compounds) {
            prepared_.push_back(Prepare(compound, index));
        }
    }

    // Works out the frame of `entry` from its parent's; true when the element is a match.
    bool Enter(const html::ElementIndex::Entry& entry) {
        const size_t parent = static_cast<size_t>(entry.depth) * 2 * words_;
        if (frames_.size() < parent + 4 * words_) {
            frames_.resize(parent + 4 * words_, 0);  // the frame above the root stays empty
        }
        uint64_t* here = &frames_[parent + 2 * words_];
        uint64_t* above = here + words_;
        const uint64_t* parentHere = &frames_[parent];
        const uint64_t* parentAbove = parentHere + words_;
        std::fill(here, here + words_, 0);
        bool match = false;
        for (size_t i = 0; i < compounds_.size(); ++i) {
            const Compound& compound = compounds_[i];
            if ((compound.combinator == Selector::Combinator::Child && !Bit(parentHere, i - 1)) ||
                (compound.combinator == Selector::Combinator::Descendant &&
                 !Bit(parentAbove, i - 1)) ||
                !MayMatch(prepared_[i], entry) ||
                (prepared_[i].confirm && !Confirms(compound, entry.node, scratch_))) {
                continue;
            }
            here[i / 64] |= uint64_t{1} << (i % 64);
            match = match || compound.subject;
        }
        for (size_t w = 0; w < words_; ++w) {
            above[w] = parentAbove[w] | here[w];
        }
        return match;
    }

  private:
    static bool Bit(const uint64_t* words, size_t i) { return (words[i / 64] >> (i % 64)) & 1; }

    const std::vector<Compound>& compounds_;
    std::vector<Prepared> prepared_;
    const size_t words_;
    std::vector<uint64_t> frames_;
    std::string scratch_;
};

}  // namespace

std::vector<const xmlNode*> Selector::MatchBelow(const html::ElementIndex& index,
                                                 const xmlNode* scope, size_t limit) const {
    const std::vector<html::ElementIndex::Entry>& entries = index.entries();
    size_t begin = 0, end = entries.size();
    MatchState state(compounds_, index);
    if (scope->type == XML_ELEMENT_NODE) {
        const uint32_t position = index.IndexOf(scope);
        begin = position + 1;
        end = entries[position].end;
        std::vector<uint32_t> ancestors;
        for (const xmlNode* node = scope; node != nullptr && node->type == XML_ELEMENT_NODE;
             node = node->parent) {
            ancestors.push_back(index.IndexOf(node));
        }
        for (auto ancestor = ancestors.rbegin(); ancestor != ancestors.rend(); ++ancestor) {
            state.Enter(entries[*ancestor]);
        }
    }
    std::vector<const xmlNode*> found;
    for (size_t i = begin; i < end && found.size() < limit; ++i) {
        if (state.Enter(entries[i])) {
            found.push_back(entries[i].node);
        }
    }
    return found;
}

}  // namespace gsweb
