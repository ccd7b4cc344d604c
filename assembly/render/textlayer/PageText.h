#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quill::textlayer {

// The text of a page's HTML as the engine lays it out: each run of one script within one
// text node, the markup's entities decoded, and the set of every character in it.
struct PageText {
    std::vector<std::u32string> runs;
    std::set<char32_t> characters;
};

PageText ReadPageText(std::string_view html);

}  // namespace quill::textlayer
