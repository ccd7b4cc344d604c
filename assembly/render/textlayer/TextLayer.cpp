// The engine's text layer mended after rendering: every glyph gets the characters it shows.
#include "textlayer/TextLayer.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

#include <cmath>

#include "FontFace.h"
#include "InstalledFont.h"
#include "PageText.h"
#include "ToUnicode.h"
#include "common/DebugLog.h"

namespace quill {

namespace {

using namespace textlayer;

// The engine writes outlines rebuilt from its own paths, in units of its own em: a
// coordinate may come out a few units off the installed font's, scaled.
constexpr long kBoundsSlack = 3;
constexpr long kAdvanceSlack = 2;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kSoftHyphen = 0x00AD;
constexpr char32_t kZeroWidthSpace = 0x200B;
constexpr char32_t kBreakHyphen = 0x2010;

// Poppler, and so pdftotext and the viewers built on it, spreads the characters of one glyph
// over its width from left to right, which turns a right-to-left ligature around (لأ comes
// out as أل). Arabic has a presentation form for its ligatures: one character that stands for
// all of them, which searches and copies read as its letters.
std::u32string Readable(std::u32string text) {
    if (text.size() < 2) {
        return text;
    }
    const UCharDirection direction = u_charDirection(static_cast<UChar32>(text[0]));
    if (direction != U_RIGHT_TO_LEFT && direction != U_RIGHT_TO_LEFT_ARABIC) {
        return text;
    }
    static const std::map<std::u32string, char32_t> kLigatures = [] {
        std::map<std::u32string, char32_t> ligatures;
        UErrorCode error = U_ZERO_ERROR;
        const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(error);
        for (const auto& [low, high] :
             {std::pair<UChar32, UChar32>{0xFB50, 0xFDFF}, {0xFE70, 0xFEFF}}) {
            for (UChar32 c = low; U_SUCCESS(error) && c <= high; ++c) {
                const icu::UnicodeString letters =
                    nfkc->normalize(icu::UnicodeString(static_cast<UChar32>(c)), error);
                std::u32string key;
                for (int32_t i = 0; i < letters.length(); i = letters.moveIndex32(i, 1)) {
                    key += static_cast<char32_t>(letters.char32At(i));
                }
                if (key.size() > 1) {
                    ligatures.emplace(key, static_cast<char32_t>(c));  // the first form, isolated
                }
            }
        }
        return ligatures;
    }();
    const auto found = kLigatures.find(text);
    return found == kLigatures.end() ? text : std::u32string(1, found->second);
}

GlyphShape Scaled(GlyphShape shape, double k) {
    const auto scale = [k](long v) { return std::lround(static_cast<double>(v) * k); };
    const auto scaleBox = [&scale](Box& b) {
        b = {scale(b.xMin), scale(b.yMin), scale(b.xMax), scale(b.yMax)};
    };
    shape.advance = scale(shape.advance);
    scaleBox(shape.bounds);
    for (Box& b : shape.contourBounds) {
        scaleBox(b);
    }
    return shape;
}

bool Near(const Box& a, const Box& b) {
    return std::labs(a.xMin - b.xMin) <= kBoundsSlack &&
           std::labs(a.yMin - b.yMin) <= kBoundsSlack &&
           std::labs(a.xMax - b.xMax) <= kBoundsSlack && std::labs(a.yMax - b.yMax) <= kBoundsSlack;
}

bool SameOutline(const GlyphShape& a, const GlyphShape& b) {
    return a.contours == b.contours && std::labs(a.advance - b.advance) <= kAdvanceSlack &&
           Near(a.bounds, b.bounds);
}

bool SameContours(const GlyphShape& a, const GlyphShape& b) {
    if (a.contourBounds.size() != b.contourBounds.size()) {
        return false;
    }
    for (size_t i = 0; i < a.contourBounds.size(); ++i) {
        if (!Near(a.contourBounds[i], b.contourBounds[i])) {
            return false;
        }
    }
    return true;
}

// The characters of the candidate whose outline the glyph has; nothing when none or
// several different ones do.
std::optional<std::u32string> Identify(
    const GlyphShape& glyph, const std::vector<std::pair<GlyphShape, std::u32string>>& candidates) {
    std::vector<const std::pair<GlyphShape, std::u32string>*> hits;
    for (const auto& candidate : candidates) {
        if (SameOutline(glyph, candidate.first)) {
            hits.push_back(&candidate);
        }
    }
    const auto oneText = [&hits]() -> std::optional<std::u32string> {
        for (const auto* hit : hits) {
            if (hit->second != hits.front()->second) {
                return std::nullopt;
            }
        }
        return hits.empty() ? std::nullopt : std::optional<std::u32string>(hits.front()->second);
    };
    if (const auto text = oneText(); text || hits.size() <= 1) {
        return text;
    }
    std::vector<const std::pair<GlyphShape, std::u32string>*> closer;
    for (const auto* hit : hits) {
        if (SameContours(glyph, hit->first)) {
            closer.push_back(hit);
        }
    }
    hits = closer;
    return oneText();
}

std::string BytesOf(const std::shared_ptr<Buffer>& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

class FontMender {
  public:
    FontMender(const FontLibrary& library, const PageText& page) : library_(library), page_(page) {}

    // Mends the font's ToUnicode stream; false when it needed nothing.
    bool Mend(QPDFObjectHandle font) {
        QPDFObjectHandle toUnicode = font.getKey("/ToUnicode");
        QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
        if (!toUnicode.isStream() || !descendants.isArray() || descendants.getArrayNItems() != 1) {
            return false;
        }
        QPDFObjectHandle descriptor = descendants.getArrayItem(0).getKey("/FontDescriptor");
        QPDFObjectHandle file = descriptor.isDictionary() ? descriptor.getKey("/FontFile2")
                                                          : QPDFObjectHandle::newNull();
        if (!file.isStream() || !font.getKey("/BaseFont").isName()) {
            return false;
        }
        const std::unique_ptr<FontFace> embedded =
            FontFace::FromBytes(library_, BytesOf(file.getStreamData(qpdf_dl_generalized)));
        if (!embedded) {
            return false;
        }
        std::string name = font.getKey("/BaseFont").getName().substr(1);
        if (name.size() > 7 && name[6] == '+') {
            name = name.substr(7);  // a subset's tag
        }
        TextMap map = ParseToUnicode(BytesOf(toUnicode.getStreamData(qpdf_dl_generalized)));
        if (!MendMap(map, *embedded, name)) {
            return false;
        }
        toUnicode.replaceStreamData(WriteToUnicode(map), QPDFObjectHandle::newNull(),
                                    QPDFObjectHandle::newNull());
        return true;
    }

  private:
    bool MendMap(TextMap& map, const FontFace& embedded, const std::string& name) {
        map.erase(0);  // the missing glyph stands for no character
        std::vector<unsigned> missing, foreign;
        for (unsigned glyph = 1; glyph < embedded.GlyphCount() && glyph <= 0xFFFF; ++glyph) {
            const auto found = map.find(glyph);
            if (found == map.end() || found->second.empty()) {
                missing.push_back(glyph);
            } else if (found->second.size() == 1 && !page_.characters.count(found->second[0])) {
                foreign.push_back(glyph);
            }
        }
        if (missing.empty() && foreign.empty()) {
            return false;
        }
        // A soft hyphen where no line broke is drawn as nothing, with the font's glyph for a
        // zero-width space, and so read back as one: inside every hyphenated word, where it
        // keeps searches and copies from finding the word. It stands for no text at all.
        // Where one did break a line the engine draws a hyphen (U+2010), which is what a
        // reader sees there: no other character of the page stands for it.
        bool cleared = false;
        if (page_.characters.count(kSoftHyphen) && !page_.characters.count(kZeroWidthSpace)) {
            std::vector<unsigned> others;
            for (const unsigned glyph : foreign) {
                if (map[glyph] == std::u32string(1, kZeroWidthSpace)) {
                    map[glyph].clear();
                    cleared = true;
                } else if (map[glyph] != std::u32string(1, kBreakHyphen)) {
                    others.push_back(glyph);
                }
            }
            foreign = std::move(others);
        }
        if (missing.empty() && foreign.empty()) {
            return cleared;
        }
        InstalledFont* installed = Installed(name);
        if (installed != nullptr) {
            for (const unsigned glyph : foreign) {
                if (auto text = installed->TextForMapped(map[glyph][0])) {
                    map[glyph] = Readable(std::move(*text));
                    if (map[glyph].empty()) {
                        map.erase(glyph);
                    }
                }
            }
        }
        std::vector<std::pair<GlyphShape, std::u32string>> candidates;
        if (installed != nullptr && !missing.empty()) {
            const double k = static_cast<double>(embedded.UnitsPerEm()) /
                             static_cast<double>(installed->face().UnitsPerEm());
            for (const auto& [glyph, text] : installed->UnmappedCandidates()) {
                if (const auto shape = installed->face().ShapeOf(glyph)) {
                    candidates.emplace_back(Scaled(*shape, k), text);
                }
            }
        }
        for (const unsigned glyph : missing) {
            const std::optional<GlyphShape> shape = embedded.ShapeOf(glyph);
            std::optional<std::u32string> text =
                shape ? Identify(*shape, candidates) : std::nullopt;
            if (text && text->empty()) {
                map.erase(glyph);  // its letters are on the glyph it is drawn with
            } else {
                map[glyph] = text ? Readable(*text) : std::u32string(1, kReplacement);
            }
        }
        return true;
    }

    InstalledFont* Installed(const std::string& name) {
        auto found = installed_.find(name);
        if (found == installed_.end()) {
            std::unique_ptr<InstalledFont> font;
            if (const std::optional<FontFile> file = FindInstalledFont(name)) {
                font = std::make_unique<InstalledFont>(library_, *file, page_);
                if (!font->Usable()) {
                    font.reset();
                }
            }
            found = installed_.emplace(name, std::move(font)).first;
        }
        return found->second.get();
    }

    const FontLibrary& library_;
    const PageText& page_;
    std::map<std::string, std::unique_ptr<InstalledFont>> installed_;
};

bool IsType0Font(QPDFObjectHandle object) {
    return object.isDictionary() && object.getKey("/Type").isNameAndEquals("/Font") &&
           object.getKey("/Subtype").isNameAndEquals("/Type0");
}

}  // namespace

std::string MendTextLayer(std::string_view pdf, std::string_view html) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("page", pdf.data(), pdf.size());
        const PageText page = ReadPageText(html);
        const FontLibrary library;
        FontMender mender(library, page);
        bool mended = false;
        for (QPDFObjectHandle object : document.getAllObjects()) {
            if (IsType0Font(object)) {
                mended = mender.Mend(object) || mended;
            }
        }
        if (!mended) {
            return std::string(pdf);
        }
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setDeterministicID(true);
        writer.write();
        return BytesOf(writer.getBufferSharedPointer());
    } catch (const std::exception& failure) {
        DebugLog(std::string("the page's text layer was left as the engine wrote it: ") +
                 failure.what());
    }
    return std::string(pdf);
}

}  // namespace quill
