#pragma once

// Writing a parsed tree back out: markup, the indented form, plain text, and a hash of the
// markup. Every walk is iterative, so the depth of the tree never matters.

#include <libxml/tree.h>

#include <cstddef>
#include <string>

namespace gsweb::html {

// The markup of an element, or of all children of the document node when given one.
// `expectedBytes` is reserved up front.
std::string Markup(const xmlNode* root, size_t expectedBytes = 0);
// A hash of exactly what Markup() would return, without building the text.
size_t MarkupHash(const xmlNode* root);
// The same, with the markup's length taken from `budget`; throws quill::SizeLimitError
// when it is larger than what is left.
size_t MarkupHash(const xmlNode* root, size_t& budget);
// One tag or text run per line, indented one space per level below `element`; throws
// quill::ValueError when that would take more than `maxBytes`.
std::string Prettify(const xmlNode* element, size_t maxBytes);
// All text and CDATA below `element`, in document order.
std::string Text(const xmlNode* element);

}  // namespace gsweb::html
