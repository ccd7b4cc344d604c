#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Parsed HTML documents with CSS-selector queries, over libxml2's HTML parser.
namespace gsweb {

struct DocumentData;  // owns the libxml2 tree
class Selector;

// One element of a parsed document. Elements keep their document alive.
class Element {
  public:
    // Lower-case element name ("a", "pre").
    std::string name() const;
    // The attribute's value, or nothing when the element has no such attribute.
    std::optional<std::string> get(const std::string& attribute) const;
    // The attribute's value; throws quill::KeyError when the element has none.
    std::string attr(const std::string& attribute) const;

    // All descendant text, concatenated, markup removed, entities decoded (UTF-8).
    std::string get_text() const;
    // The element's markup on one line, as the page would carry it.
    std::string markup() const;
    // The element's markup, one tag or text run per line, nested content indented by
    // one space per level, every line ending in "\n". The indentation can make this many
    // times the size of the page, so it stops with quill::ValueError as soon as it would
    // exceed `maxBytes`.
    std::string prettify(size_t maxBytes = SIZE_MAX) const;

    std::vector<Element> select(const Selector& selector) const;
    std::vector<Element> select(const std::string& selector) const;
    std::optional<Element> select_one(const Selector& selector) const;
    std::optional<Element> select_one(const std::string& selector) const;

    // ElementHash's value, with the length of the markup it hashes taken from `budget`:
    // hashing every match of a selector can cost the page's size once per level of nesting,
    // so callers bound the total. Throws quill::SizeLimitError when the budget runs out.
    size_t markup_hash(size_t& budget) const;

    // Equal when name, attributes and content are the same (the same markup).
    bool operator==(const Element& other) const;
    bool operator!=(const Element& other) const { return !(*this == other); }

  private:
    friend class Document;
    friend struct ElementAccess;
    Element(std::shared_ptr<const DocumentData> document, const void* node)
        : document_(std::move(document)), node_(node) {}

    std::shared_ptr<const DocumentData> document_;
    const void* node_;  // xmlNode*
};

// Hash agreeing with Element equality, so elements serve as keys.
struct ElementHash {
    size_t operator()(const Element& element) const;
};

class Document {
  public:
    // Parses markup leniently (recovering from errors, never touching the network).
    // Invalid UTF-8 is replaced with U+FFFD first. Never crashes on hostile input.
    static Document Parse(std::string_view html);

    std::vector<Element> select(const Selector& selector) const;
    std::vector<Element> select(const std::string& selector) const;
    std::optional<Element> select_one(const Selector& selector) const;
    std::optional<Element> select_one(const std::string& selector) const;

    // The whole document written back to markup.
    std::string markup() const;

  private:
    friend struct ElementAccess;
    explicit Document(std::shared_ptr<const DocumentData> data) : data_(std::move(data)) {}
    std::shared_ptr<const DocumentData> data_;
};

}  // namespace gsweb
