#pragma once

#include <string>
#include <string_view>

// How text enters XHTML: the rule the cleaning writes chapters with, also used for the text
// an e-book adds around them.
namespace quill::markup {

// Text escaped for an XHTML text node or attribute value, without the characters that XML
// or HTML forbid (control characters, non-characters).
void AppendEscaped(std::string& out, std::string_view text, bool inAttribute);
// The text without those characters.
std::string WithoutForbidden(std::string_view text);

}  // namespace quill::markup
