#include "FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

namespace quill::textlayer {

namespace {

Box BoundsOf(const FT_Outline& outline) {
    FT_BBox box{};
    FT_Outline_Get_BBox(const_cast<FT_Outline*>(&outline), &box);
    return {box.xMin, box.yMin, box.xMax, box.yMax};
}

}  // namespace

FontLibrary::FontLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) {
        library_ = library;
    }
}

FontLibrary::~FontLibrary() {
    if (library_ != nullptr) {
        FT_Done_FreeType(library_);
    }
}

FontFace::FontFace(FT_FaceRec_* face, std::string bytes) : face_(face), bytes_(std::move(bytes)) {}

FontFace::~FontFace() {
    FT_Done_Face(face_);
}

std::unique_ptr<FontFace> FontFace::FromBytes(const FontLibrary& library, std::string bytes) {
    if (library.get() == nullptr) {
        return nullptr;
    }
    auto owner = std::unique_ptr<FontFace>(new FontFace(nullptr, std::move(bytes)));
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library.get(), reinterpret_cast<const FT_Byte*>(owner->bytes_.data()),
                           static_cast<FT_Long>(owner->bytes_.size()), 0, &face) != 0) {
        owner->face_ = nullptr;
        return nullptr;
    }
    owner->face_ = face;
    return owner;
}

std::unique_ptr<FontFace> FontFace::FromFile(const FontLibrary& library, const std::string& path,
                                             int index) {
    FT_Face face = nullptr;
    if (library.get() == nullptr || FT_New_Face(library.get(), path.c_str(), index, &face) != 0) {
        return nullptr;
    }
    return std::unique_ptr<FontFace>(new FontFace(face, ""));
}

unsigned FontFace::GlyphCount() const {
    return static_cast<unsigned>(face_->num_glyphs);
}

unsigned FontFace::UnitsPerEm() const {
    return face_->units_per_EM;
}

unsigned FontFace::GlyphOf(char32_t c) const {
    return FT_Get_Char_Index(face_, c);
}

std::vector<bool> FontFace::GlyphsOfBmp() const {
    std::vector<bool> reached(GlyphCount(), false);
    FT_UInt glyph = 0;
    for (FT_ULong c = FT_Get_First_Char(face_, &glyph); glyph != 0 && c <= 0xFFFF;
         c = FT_Get_Next_Char(face_, c, &glyph)) {
        if (glyph < reached.size()) {
            reached[glyph] = true;
        }
    }
    return reached;
}

std::optional<GlyphShape> FontFace::ShapeOf(unsigned glyph) const {
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
            0 ||
        face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return std::nullopt;
    }
    const FT_Outline& outline = face_->glyph->outline;
    GlyphShape shape;
    shape.contours = outline.n_contours;
    shape.advance = face_->glyph->metrics.horiAdvance;
    if (outline.n_points == 0) {
        return shape;
    }
    shape.bounds = BoundsOf(outline);
    short start = 0;
    for (short c = 0; c < outline.n_contours; ++c) {
        const short end = outline.contours[c];
        if (end < start || end >= outline.n_points) {
            return std::nullopt;  // not an outline FreeType would draw
        }
        FT_Outline one{};
        short last = static_cast<short>(end - start);
        one.n_contours = 1;
        one.n_points = static_cast<short>(end - start + 1);
        one.points = outline.points + start;
        one.tags = outline.tags + start;
        one.contours = &last;
        shape.contourBounds.push_back(BoundsOf(one));
        start = static_cast<short>(end + 1);
    }
    return shape;
}

}  // namespace quill::textlayer
