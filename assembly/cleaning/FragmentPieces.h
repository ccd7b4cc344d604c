#pragma once

#include <string_view>

// The cleaned fragment walked as the tags and the text between them. The fragment is the
// cleaning's own output: "<" and ">" stand only around tags, and text holds no other
// entities than &amp; &lt; &gt; &quot;, so this walk reads it exactly.
namespace quill::markup {

template <typename OnTag, typename OnText>
void ForEachPiece(std::string_view xhtml, OnTag onTag, OnText onText) {
    size_t at = 0;
    while (at < xhtml.size()) {
        if (xhtml[at] == '<') {
            const size_t end = xhtml.find('>', at);
            const size_t stop = end == std::string_view::npos ? xhtml.size() : end + 1;
            onTag(xhtml.substr(at, stop - at));
            at = stop;
            continue;
        }
        const size_t next = xhtml.find('<', at);
        const size_t stop = next == std::string_view::npos ? xhtml.size() : next;
        onText(xhtml.substr(at, stop - at));
        at = stop;
    }
}

// The element name of a start tag ("<p dir=\"rtl\">" → "p"); empty for an end tag.
inline std::string_view StartTagName(std::string_view tag) {
    if (tag.size() < 2 || tag[1] == '/') {
        return {};
    }
    const size_t end = tag.find_first_of(" />", 1);
    return tag.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
}

}  // namespace quill::markup
