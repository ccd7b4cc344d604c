#pragma once

#include <string>
#include <string_view>

namespace quill {

// Mends the text layer of a page the HTML engine wrote. The engine's PDF writer maps a glyph
// back to text only through the font's character map, and only within the Basic
// Multilingual Plane: an emoji, a ligature, a conjunct or a shaped Arabic letter gets no
// text at all, or a compatibility character (a Kangxi radical for 一, a presentation form
// for an Arabic letter). A glyph without text breaks the reading order around it, so the
// words after an emoji fall apart from the words before it in a search or a copy.
//
// Each such glyph of an embedded font is looked up in the installed font the engine drew it
// from (by its PostScript name, through fontconfig) by the shape of its outline: contours,
// bounds and advance. The candidates are the glyphs the page's own characters give: each
// character's glyph, and each glyph HarfBuzz makes of the page's text (ligatures,
// conjuncts, contextual forms), with the characters it stands for. A glyph found gets its
// characters; one that cannot be told gets U+FFFD, which keeps the reading order whole; a
// mapping to a character the page does not have is replaced only by one the shapes agree on.
//
// `pdf` is the engine's whole output, `html` the page it was rendered from. Returns the
// mended PDF, or the PDF as it was when nothing needs mending or it cannot be mended (the
// reason then goes to the debug log): a page is never lost to its text layer.
std::string MendTextLayer(std::string_view pdf, std::string_view html);

// The version of the mending, for the render cache's key: a page mended otherwise is another
// page.
constexpr int kTextLayerVersion = 2;

}  // namespace quill
