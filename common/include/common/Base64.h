#pragma once

#include <string>
#include <string_view>

namespace quill {

// RFC 4648 Base64 with the standard alphabet and "=" padding, no line breaks.
std::string Base64Encode(std::string_view bytes);

// Decodes Base64, skipping every character outside the alphabet (line breaks, blanks).
// Throws std::invalid_argument when the padding does not fit the length.
std::string Base64Decode(std::string_view text);

}  // namespace quill
