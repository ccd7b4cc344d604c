#pragma once

#include <string>

#include "bookjob/BookPage.h"

namespace quill {

class IWkGlobalSettings;
class IWkObjectSettings;

// The name of the book's style sheet in the work folder.
constexpr const char* kBookStyleFile = "book.css";

// Gives a chapter page the book's look: A4 with wide margins, 11 pt body text with a line
// height of 1.4, larger headings, and paragraphs that keep at least two lines together
// across a page break. The style sheet is written into the work folder, the only place
// the engine may read; the chapter files stay as they are. The cover page does not get it.
void ApplyBookStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                    const std::string& workFolder);

// The style sheet's text, as ApplyBookStyle writes it.
std::string BookStyleSheet();

// The rules for a chapter's pictures, for a page whose text is that many engine pixels high.
std::string PictureStyle(double textHeightPixels);

}  // namespace quill
