#pragma once

#include <string>

namespace quill {

// The book style's typefaces: a named font stack for the text (Noto Serif for Latin, Greek
// and Cyrillic, Noto Serif CJK for Han, kana and Hangul, Symbola for emoji), Han glyph forms
// by the story's language, and one rule per script the engine takes only from the first
// family, for the spans the rendered copy puts around its runs (kComplexScriptFaces). Not
// fontconfig's fallback order: that gives the sans faces, and a different one on every
// machine.
std::string ScriptStyle();

}  // namespace quill
