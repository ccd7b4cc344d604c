#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FontFace.h"
#include "PageText.h"

namespace quill::textlayer {

// Where fontconfig finds the font of a PostScript name ("NotoSerif-Regular"): the engine
// asked fontconfig for its fonts, so the same files are there now. Nothing when it knows
// no such font.
struct FontFile {
    std::string path;
    int index = 0;
};
std::optional<FontFile> FindInstalledFont(const std::string& postscriptName);

// An installed font and the text of its glyphs as the page's characters give them.
class InstalledFont {
  public:
    InstalledFont(const FontLibrary& library, const FontFile& file, const PageText& page);

    bool Usable() const { return face_ != nullptr; }
    const FontFace& face() const { return *face_; }

    // The text of a glyph the engine mapped to `mapped`, a character the page does not
    // hold: the page's own character for that glyph (a Kangxi radical's ideograph, a space
    // for a tab), or the characters shaping the page made it of (an Arabic letter for its
    // presentation form); nothing when neither tells.
    std::optional<std::u32string> TextForMapped(char32_t mapped);

    // The glyphs no character of the Basic Multilingual Plane reaches (the engine gave them
    // no text), with the characters of the page that give them; an empty text for one
    // that is best left without (see ShapedGlyphTexts).
    const std::map<unsigned, std::u32string>& UnmappedCandidates();

  private:
    const std::map<unsigned, std::u32string>& Shaped();
    const std::vector<bool>& Reached();

    std::unique_ptr<FontFace> face_;
    FontFile file_;
    const PageText& page_;
    std::optional<std::map<unsigned, char32_t>> pageGlyphs_;  // the page's characters' glyphs
    std::optional<std::vector<bool>> reached_;
    std::optional<std::map<unsigned, std::u32string>> shaped_;
    std::optional<std::map<unsigned, std::u32string>> unmapped_;
};

}  // namespace quill::textlayer
