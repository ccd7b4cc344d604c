#pragma once

#include <string>
#include <string_view>

namespace quill::markup {

// The cleaned fragment with a direction on each block that holds text: dir="auto", so that
// every paragraph, heading, list, cell... takes it from its own first strong character (an
// Arabic paragraph starts at the right margin, the English one beside it at the left). In a
// right-to-left story the headings get dir="rtl" instead, whatever their text begins with.
// A direction the chapter gives itself stays.
std::string WithDirections(std::string_view xhtml, bool rightToLeftStory);

}  // namespace quill::markup
