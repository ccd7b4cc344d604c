#pragma once

#include <string>

namespace quill {

// The text of a chapter file's first <h2>, as a browser shows it, read from the file's
// beginning alone; empty when the file has none there or cannot be read.
std::string ReadChapterHeading(const std::string& htmlFile);

}  // namespace quill
