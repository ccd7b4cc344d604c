#pragma once

#include <string>
#include <string_view>

namespace quill {

// Every byte but RFC 3986's unreserved characters (letters, digits, "-", ".", "_", "~") and
// "/" written as "%" and two upper-case hexadecimal digits. What is left can stand in a
// file address's path or in one word of a line protocol.
std::string PercentEncode(std::string_view bytes);

// The bytes back: "%" and two hexadecimal digits (either case) give that byte; a "%" that
// starts no such escape stands for nothing, so "%" alone is the empty text.
std::string PercentDecode(std::string_view text);

}  // namespace quill
