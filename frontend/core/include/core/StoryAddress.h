#pragma once

#include <string>

namespace quill {

// The address a book records as its story's: the same story pasted in another form gives
// the same address, so its book is replaced rather than copied to "Name (2)". The scheme
// and host are lower-cased, the query and fragment dropped, and a story page's address
// kept down to its number ("…/story/1001-the-keepers-daughter?ref=x" gives
// "…/story/1001"), which stays when the author renames the story.
std::string StoryAddress(const std::string& url);

}  // namespace quill
