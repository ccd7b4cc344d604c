#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// The address a book records as its story's: "origin/story/N" with the story's number, so
// that every form of one story (a slug, another slug, a query, a chapter page's address)
// gives the same address and its book is replaced rather than copied to "Name (2)".
// `number` is the story's number as the downloader learnt it from the site; without one,
// the number in a story page's address, and for any other address the address down to its
// path (scheme and host in lower case, no query, fragment or trailing slash).
std::string StoryAddress(const std::string& url, std::optional<uint64_t> number = std::nullopt);

// What books made by earlier versions may record for the story pasted as `url`, besides
// StoryAddress(url, number): they kept a chapter page's own address.
std::vector<std::string> EarlierStoryAddresses(const std::string& url,
                                               std::optional<uint64_t> number);

}  // namespace quill
