#pragma once

#include <map>
#include <string>
#include <vector>

#include "InstalledFont.h"
#include "PageText.h"

namespace quill::textlayer {

// The glyphs HarfBuzz makes of the page's text with the font, each with the characters it
// stands for: a glyph that alone makes its cluster gets the cluster's characters (a
// ligature, a conjunct, a contextual form). A character drawn as several glyphs gives none
// of them text: each of those has a character of its own already.
//
// Some fonts draw a ligature as two glyphs, the second with no advance over the first
// (Noto Naskh Arabic's lam-alef: the lam, then the alef on top of it). Poppler takes a
// character that starts where the one before it starts for a doubled glyph, and breaks
// the word and the line around it. So where both glyphs are ones the engine gave no text,
// one of them carries both letters and the other gets none (an empty text: left without
// a mapping): the first glyph when it stands in every pair for the same letters, the
// second otherwise.
//
// `reached`: the glyphs some character of the Basic Multilingual Plane maps to.
std::map<unsigned, std::u32string> ShapedGlyphTexts(const FontFile& file, const PageText& page,
                                                    const std::vector<bool>& reached);

}  // namespace quill::textlayer
