#pragma once

#include <string>

namespace quill {

// The cover page written as "0.html" before the book is built: an HTML5 page that shows
// "cover.jpg" from the work folder, centred below a spacer. Compiled into the program.
const std::string& CoverPageHtml();

}  // namespace quill
