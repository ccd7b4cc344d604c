#pragma once

#include <string>
#include <string_view>

#include "cleaning/ChapterPictures.h"

namespace quill {

// A chapter file's markup made safe to render and to put into an e-book: text and text
// markup only, nothing that loads, runs or points anywhere.
struct ChapterMarkup {
    std::string heading;  // the text of the chapter file's first <h2>, entities decoded
    std::string xhtml;    // the whole chapter, cleaned, as a well-formed XHTML fragment
};

// Raised when a new version of CleanChapter writes different markup for the same input, so
// that nothing rendered from the old markup is taken for the new.
constexpr int kChapterMarkupVersion = 3;

// Parses untrusted chapter markup (libxml2) and keeps only text and text markup.
//
// The fragment is well-formed XHTML that is also valid HTML5 body content: elements that
// carry text structure (paragraphs, headings, lists, tables, emphasis, ruby...) stay with a
// few harmless attributes; unknown elements give way to their text; scripts, styles, frames,
// forms, media, pictures and everything else that loads or runs goes with its content; no
// reference of any kind (href, src, url()...) survives. Elements that a place does not allow
// are unwrapped, and list items or table cells that are missing are supplied, so the
// fragment always follows HTML5's content rules. Quotes and lists nested more than eight
// deep are written as plain blocks inside the eighth, so that no renderer indents the text
// off its page. Throws EConvertError when the markup
// cannot be read whole (nesting deeper than the parser allows).
//
// With `pictures`, each <img> shows the picture the chapter has for its source, as a file
// beside the cleaned chapter, or its alternative text when it has none (see WritePicture);
// without, pictures go like everything else that loads.
ChapterMarkup CleanChapter(std::string_view html, const PictureLookup* pictures = nullptr);

}  // namespace quill
