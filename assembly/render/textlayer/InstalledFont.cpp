#include "InstalledFont.h"

#include <fontconfig/fontconfig.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

#include "GlyphShaping.h"

namespace quill::textlayer {

namespace {

template <typename T, void (*Free)(T*)>
struct Freed {
    void operator()(T* p) const { Free(p); }
};
using Pattern = std::unique_ptr<FcPattern, Freed<FcPattern, FcPatternDestroy>>;
using ObjectSet = std::unique_ptr<FcObjectSet, Freed<FcObjectSet, FcObjectSetDestroy>>;
using FontSet = std::unique_ptr<FcFontSet, Freed<FcFontSet, FcFontSetDestroy>>;

// The letters a compatibility character stands for (ﬁ: f i; an Arabic presentation form:
// its letter), when the page holds every one of them; nothing otherwise.
std::optional<std::u32string> PageLettersOf(char32_t mapped, const PageText& page) {
    UErrorCode error = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(error);
    if (U_FAILURE(error)) {
        return std::nullopt;
    }
    const icu::UnicodeString letters =
        nfkc->normalize(icu::UnicodeString(static_cast<UChar32>(mapped)), error);
    std::u32string text;
    for (int32_t i = 0; U_SUCCESS(error) && i < letters.length(); i = letters.moveIndex32(i, 1)) {
        const auto c = static_cast<char32_t>(letters.char32At(i));
        if (!page.characters.count(c)) {
            return std::nullopt;
        }
        text += c;
    }
    if (U_FAILURE(error) || text.empty() || text == std::u32string(1, mapped)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<FontFile> FindInstalledFont(const std::string& postscriptName) {
    const Pattern pattern(FcPatternCreate());
    const ObjectSet objects(FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr));
    if (!pattern || !objects ||
        !FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                            reinterpret_cast<const FcChar8*>(postscriptName.c_str()))) {
        return std::nullopt;
    }
    const FontSet fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts || fonts->nfont < 1) {
        return std::nullopt;
    }
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetString(fonts->fonts[0], FC_FILE, 0, &path) != FcResultMatch) {
        return std::nullopt;
    }
    FcPatternGetInteger(fonts->fonts[0], FC_INDEX, 0, &index);
    return FontFile{reinterpret_cast<const char*>(path), index};
}

InstalledFont::InstalledFont(const FontLibrary& library, const FontFile& file, const PageText& page)
    : face_(FontFace::FromFile(library, file.path, file.index)), file_(file), page_(page) {}

const std::vector<bool>& InstalledFont::Reached() {
    if (!reached_) {
        reached_ = face_->GlyphsOfBmp();
    }
    return *reached_;
}

const std::map<unsigned, std::u32string>& InstalledFont::Shaped() {
    if (!shaped_) {
        shaped_ = ShapedGlyphTexts(file_, page_, Reached());
    }
    return *shaped_;
}

std::optional<std::u32string> InstalledFont::TextForMapped(char32_t mapped) {
    unsigned glyph = face_->GlyphOf(mapped);
    if (glyph == 0 && u_isUWhiteSpace(static_cast<UChar32>(mapped))) {
        glyph = face_->GlyphOf(U' ');  // the engine draws a tab as a space
    }
    if (glyph == 0) {
        return std::nullopt;
    }
    if (!pageGlyphs_) {
        pageGlyphs_.emplace();
        for (const char32_t c : page_.characters) {
            pageGlyphs_->emplace(face_->GlyphOf(c), c);  // the lowest character of a glyph
        }
    }
    if (const auto own = pageGlyphs_->find(glyph); own != pageGlyphs_->end()) {
        return std::u32string(1, own->second);
    }
    // Shaping the whole page is by far the dearest step; what a compatibility character
    // stands for needs none.
    if (std::optional<std::u32string> letters = PageLettersOf(mapped, page_)) {
        return letters;
    }
    const auto shaped = Shaped().find(glyph);
    if (shaped == Shaped().end()) {
        return std::nullopt;
    }
    return shaped->second;
}

const std::map<unsigned, std::u32string>& InstalledFont::UnmappedCandidates() {
    if (unmapped_) {
        return *unmapped_;
    }
    unmapped_.emplace();
    const std::vector<bool>& reached = Reached();
    const auto unreached = [&reached](unsigned glyph) {
        return glyph != 0 && (glyph >= reached.size() || !reached[glyph]);
    };
    for (const char32_t c : page_.characters) {
        const unsigned glyph = face_->GlyphOf(c);
        if (c > 0xFFFF && unreached(glyph)) {
            unmapped_->emplace(glyph, std::u32string(1, c));
        }
    }
    for (const auto& [glyph, text] : Shaped()) {
        if (unreached(glyph)) {
            unmapped_->emplace(glyph, text);
        }
    }
    return *unmapped_;
}

}  // namespace quill::textlayer
