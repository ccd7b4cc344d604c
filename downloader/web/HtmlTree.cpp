#include "HtmlTree.h"

#include <algorithm>
#include <array>

namespace gsweb::html {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

template <size_t N>
bool IsOneOf(const xmlNode* element, const std::array<std::string_view, N>& names) {
    const std::string_view name = View(element->name);
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view candidate) { return EqualsLower(name, candidate); });
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = LowerAscii(c);
    }
    return lower;
}

bool EqualsLower(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (LowerAscii(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

const xmlAttr* FindAttribute(const xmlNode* element, std::string_view lowerName) {
    for (const xmlAttr* attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
        if (EqualsLower(View(attribute->name), lowerName)) {
            return attribute;
        }
    }
    return nullptr;
}

std::string_view AttributeValue(const xmlAttr* attribute, std::string& scratch) {
    const xmlNode* child = attribute->children;
    if (child == nullptr) {
        return {};
    }
    if (child->next == nullptr && child->type == XML_TEXT_NODE) {
        return View(child->content);
    }
    scratch.clear();
    for (; child != nullptr; child = child->next) {
        if (child->type == XML_TEXT_NODE) {
            scratch += View(child->content);
        } else if (child->type == XML_ENTITY_REF_NODE) {
            scratch += '&';
            scratch += View(child->name);
            scratch += ';';
        }
    }
    return scratch;
}

bool IsVoidElement(const xmlNode* element) {
    static constexpr std::array<std::string_view, 14> kVoid = {
        "area",  "base", "br",   "col",   "embed",  "hr",    "img",
        "input", "link", "meta", "param", "source", "track", "wbr"};
    return IsOneOf(element, kVoid);
}

bool IsRawTextElement(const xmlNode* element) {
    static constexpr std::array<std::string_view, 2> kRaw = {"script", "style"};
    return element != nullptr && element->type == XML_ELEMENT_NODE && IsOneOf(element, kRaw);
}

}  // namespace gsweb::html
