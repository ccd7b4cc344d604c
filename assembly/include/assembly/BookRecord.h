#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quill {

// What a finished book, PDF or EPUB (told by its extension), records about itself: the
// address of its story, and the chapters it holds. Nothing when the file records none or
// cannot be read.
std::optional<std::string> RecordedStory(const std::string& path);
std::optional<std::vector<int>> RecordedChapters(const std::string& path);

}  // namespace quill
