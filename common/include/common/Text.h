#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The text with every occurrence of `from` (not empty) replaced by `to`, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The text with the ASCII letters A to Z in lower case, for names that compare without case
// (schemes, hosts, header and attribute names); other bytes stay.
std::string LowerAscii(std::string_view text);

// Numbers as a message lists them: "3, 7, 12", the first `named` of them, the rest counted
// (" and 4 more").
std::string NumberList(const std::vector<int>& numbers, size_t named = 20);

bool StartsWith(std::string_view text, std::string_view start);
bool EndsWith(std::string_view text, std::string_view end);

// Whether text is one or more of the digits 0-9 and nothing else (a number as a file name
// spells it).
bool IsDecimalDigits(std::string_view text);

// A whole decimal number: an optional "+" or "-", then digits, and nothing else (no blanks);
// nothing for any other text or a number beyond 64 bits. Callers that allow blanks around
// a number trim them first.
std::optional<long long> ParseInteger(std::string_view text);

}  // namespace quill
