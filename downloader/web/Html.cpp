#include "web/Html.h"

#include "HtmlTree.h"
#include "HtmlWriter.h"
#include "web/Errors.h"
#include "web/Selector.h"

namespace gsweb {

namespace {

std::vector<Element> Wrap(const std::shared_ptr<const DocumentData>& document,
                          const std::vector<const xmlNode*>& nodes) {
    std::vector<Element> elements;
    elements.reserve(nodes.size());
    for (const xmlNode* node : nodes) {
        elements.push_back(ElementAccess::Make(document, node));
    }
    return elements;
}

std::optional<Element> First(const std::shared_ptr<const DocumentData>& document,
                             const xmlNode* scope, const Selector& selector) {
    const std::vector<const xmlNode*> nodes = selector.MatchBelow(document->Index(), scope, 1);
    if (nodes.empty()) {
        return std::nullopt;
    }
    return ElementAccess::Make(document, nodes.front());
}

const xmlNode* NodeOf(const DocumentData& data) {
    return html::AsNode(data.doc.get());
}

}  // namespace

// ---- Element ----

std::string Element::name() const {
    return std::string(html::View(ElementAccess::Node(*this)->name));
}

std::optional<std::string> Element::get(const std::string& attribute) const {
    const xmlAttr* found =
        html::FindAttribute(ElementAccess::Node(*this), html::LowerAscii(attribute));
    if (found == nullptr) {
        return std::nullopt;
    }
    std::string scratch;
    return std::string(html::AttributeValue(found, scratch));
}

std::string Element::attr(const std::string& attribute) const {
    std::optional<std::string> value = get(attribute);
    if (!value) {
        throw quill::KeyError("element <" + name() + "> has no attribute \"" + attribute + "\"");
    }
    return std::move(*value);
}

std::string Element::get_text() const {
    return html::Text(ElementAccess::Node(*this));
}

std::string Element::markup() const {
    return html::Markup(ElementAccess::Node(*this));
}

std::string Element::prettify(size_t maxBytes) const {
    return html::Prettify(ElementAccess::Node(*this), maxBytes);
}

std::vector<Element> Element::select(const Selector& selector) const {
    return Wrap(document_, selector.MatchBelow(document_->Index(), ElementAccess::Node(*this)));
}

std::vector<Element> Element::select(const std::string& selector) const {
    return select(Selector::Parse(selector));
}

std::optional<Element> Element::select_one(const Selector& selector) const {
    return First(document_, ElementAccess::Node(*this), selector);
}

std::optional<Element> Element::select_one(const std::string& selector) const {
    return select_one(Selector::Parse(selector));
}

size_t Element::markup_hash(size_t& budget) const {
    return html::MarkupHash(ElementAccess::Node(*this), budget);
}

bool Element::operator==(const Element& other) const {
    return node_ == other.node_ || markup() == other.markup();
}

size_t ElementHash::operator()(const Element& element) const {
    return html::MarkupHash(ElementAccess::Node(element));
}

// ---- Document ----

Document Document::Parse(std::string_view html) {
    return ElementAccess::Adopt(html::ParseHtml(html), html.size());
}

std::vector<Element> Document::select(const Selector& selector) const {
    return Wrap(data_, selector.MatchBelow(data_->Index(), NodeOf(*data_)));
}

std::vector<Element> Document::select(const std::string& selector) const {
    return select(Selector::Parse(selector));
}

std::optional<Element> Document::select_one(const Selector& selector) const {
    return First(data_, NodeOf(*data_), selector);
}

std::optional<Element> Document::select_one(const std::string& selector) const {
    return select_one(Selector::Parse(selector));
}

std::string Document::markup() const {
    // A little more than the page, for entities the parser decoded and that come back longer.
    return html::Markup(NodeOf(*data_), data_->sourceBytes + data_->sourceBytes / 16);
}

}  // namespace gsweb
