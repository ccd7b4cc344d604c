#pragma once

#include <string>

#include "bookjob/BookChoices.h"
#include "bookjob/BookPage.h"

namespace quill {

class IWkGlobalSettings;
class IWkObjectSettings;

// The names of the book's style sheets in the work folder.
constexpr const char* kBookStyleFile = "book.css";
constexpr const char* kCoverStyleFile = "cover.css";

// Gives a chapter page the book's look: the preset's page and margins, body text of the
// preset's size (scaled by the text size) with a line height of 1.4, larger headings,
// justified paragraphs unless asked to be ragged, light text on a dark page when asked, and
// paragraphs that keep at least two lines together across a page break. The style sheet is
// written into the work folder, the only place the engine may read; the chapter files stay
// as they are.
void ApplyBookStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                    const std::string& workFolder, const PageLook& look = {});

// The cover page keeps its own look and colours. On A4 it is rendered as it stands; on the
// other presets it gets their page, and its spacer and picture are scaled to fit it.
void ApplyCoverStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                     const std::string& workFolder, const PageLook& look);

// The style sheets' texts, as the two calls above write them.
std::string BookStyleSheet(const PageLook& look = {});
std::string CoverStyleSheet(const PageLook& look);

// The rules for a chapter's pictures, for a page whose text is that many engine pixels high.
std::string PictureStyle(double textHeightPixels);

}  // namespace quill
