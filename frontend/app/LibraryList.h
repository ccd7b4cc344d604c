#pragma once

#include <string>
#include <vector>

#include "library/Library.h"

namespace quill {

// What quillby --list prints: one story a line, by number, with these fields separated by
// tabs: number, title, author, language, chapters kept, chapters on the site, new chapters
// waiting, last checked, last updated (UTC, ISO 8601), outcome ("complete", "incomplete",
// "failed", "stopped", "unchecked"), address, then the path of each book. A field the
// library does not know yet is empty. With `json`, an array of objects with the same
// fields and the books' formats and chapters.
std::string LibraryListText(std::vector<LibraryStory> stories, bool json);

}  // namespace quill
