#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace quill::textlayer {

// A glyph's outline as the mending compares it, in font units.
struct Box {
    long xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
struct GlyphShape {
    int contours = 0;
    long advance = 0;
    Box bounds;
    std::vector<Box> contourBounds;  // each contour's, in the outline's order
};

// FreeType, for one mending.
class FontLibrary {
  public:
    FontLibrary();
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;
    FT_LibraryRec_* get() const { return library_; }

  private:
    FT_LibraryRec_* library_ = nullptr;
};

// One face of a font file or of font bytes (which it keeps).
class FontFace {
  public:
    // Nothing when FreeType cannot read it.
    static std::unique_ptr<FontFace> FromBytes(const FontLibrary& library, std::string bytes);
    static std::unique_ptr<FontFace> FromFile(const FontLibrary& library, const std::string& path,
                                              int index);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    unsigned GlyphCount() const;
    unsigned UnitsPerEm() const;
    // The glyph the font's character map gives the character; 0 for none.
    unsigned GlyphOf(char32_t c) const;
    // Every glyph some character of the Basic Multilingual Plane maps to.
    std::vector<bool> GlyphsOfBmp() const;
    std::optional<GlyphShape> ShapeOf(unsigned glyph) const;

  private:
    FontFace(FT_FaceRec_* face, std::string bytes);
    FT_FaceRec_* face_;
    std::string bytes_;  // what a face read from memory reads from
};

}  // namespace quill::textlayer
