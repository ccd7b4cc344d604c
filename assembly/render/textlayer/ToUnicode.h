#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quill::textlayer {

// A font's ToUnicode CMap as a table from two-byte character codes (glyph numbers, for the
// engine's Identity-H fonts) to their text.
using TextMap = std::map<unsigned, std::u32string>;

// The bfchar and bfrange entries of a CMap's text; what is not understood is left out.
TextMap ParseToUnicode(std::string_view cmap);

// A CMap with exactly these entries, for two-byte codes, its text in UTF-16BE; an empty text
// says the glyph stands for no character.
std::string WriteToUnicode(const TextMap& map);

}  // namespace quill::textlayer
