#include "GlyphShaping.h"

#include <hb.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <memory>
#include <set>

namespace quill::textlayer {

namespace {

template <typename T, void (*Free)(T*)>
struct Freed {
    void operator()(T* p) const { Free(p); }
};
using Blob = std::unique_ptr<hb_blob_t, Freed<hb_blob_t, hb_blob_destroy>>;
using Face = std::unique_ptr<hb_face_t, Freed<hb_face_t, hb_face_destroy>>;
using Font = std::unique_ptr<hb_font_t, Freed<hb_font_t, hb_font_destroy>>;
using Buffer = std::unique_ptr<hb_buffer_t, Freed<hb_buffer_t, hb_buffer_destroy>>;

// Two glyphs of one ligature, the second drawn without advance on the first.
struct Pair {
    unsigned first, second;
    std::u32string letters;  // both glyphs' characters, in the text's order
};

bool IsMark(char32_t c) {
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}

class RunReader {
  public:
    RunReader(const std::vector<bool>& reached, std::map<unsigned, std::u32string>& texts,
              std::vector<Pair>& pairs)
        : reached_(reached), texts_(texts), pairs_(pairs) {}

    void Read(hb_buffer_t* buffer, const std::u32string& run) {
        unsigned count = 0;
        const hb_glyph_info_t* glyphs = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
        std::map<unsigned, unsigned> glyphsOfCluster;
        for (unsigned i = 0; i < count; ++i) {
            ++glyphsOfCluster[glyphs[i].cluster];
        }
        const auto textOf = [&](unsigned i) -> std::u32string {
            const auto at = glyphsOfCluster.find(glyphs[i].cluster);
            const auto next = std::next(at);
            const size_t end = next == glyphsOfCluster.end() ? run.size() : next->first;
            if (at->second != 1 || glyphs[i].codepoint == 0 || glyphs[i].cluster >= end) {
                return {};
            }
            return run.substr(glyphs[i].cluster, end - glyphs[i].cluster);
        };
        // The buffer holds the glyphs in the order they are drawn, left to right; a glyph
        // without advance stands on the one drawn after it in right-to-left text, on the one
        // before it otherwise.
        const bool backward = HB_DIRECTION_IS_BACKWARD(hb_buffer_get_direction(buffer));
        for (unsigned i = 0; i < count; ++i) {
            const std::u32string text = textOf(i);
            if (text.empty()) {
                continue;
            }
            texts_.emplace(glyphs[i].codepoint, text);
            const unsigned on = backward ? i + 1 : i - 1;
            if (on >= count || positions[i].x_advance != 0 || IsMark(text[0]) ||
                !Unreached(glyphs[i].codepoint) || !Unreached(glyphs[on].codepoint)) {
                continue;
            }
            const std::u32string base = textOf(on);
            if (!base.empty()) {
                pairs_.push_back(
                    {glyphs[on].codepoint, glyphs[i].codepoint,
                     glyphs[on].cluster < glyphs[i].cluster ? base + text : text + base});
            }
        }
    }

  private:
    bool Unreached(unsigned glyph) const { return glyph >= reached_.size() || !reached_[glyph]; }

    const std::vector<bool>& reached_;
    std::map<unsigned, std::u32string>& texts_;
    std::vector<Pair>& pairs_;
};

// Gives each pair's letters to one of its glyphs, as ShapedGlyphTexts says.
void JoinPairs(const std::vector<Pair>& pairs, std::map<unsigned, std::u32string>& texts) {
    std::map<unsigned, std::set<std::u32string>> lettersOfFirst;
    std::map<unsigned, std::set<unsigned>> firstsOfSecond;
    for (const Pair& pair : pairs) {
        lettersOfFirst[pair.first].insert(pair.letters);
        firstsOfSecond[pair.second].insert(pair.first);
    }
    // A first glyph that stands for different letters in different pairs cannot carry
    // them; then no first glyph of the same second one carries them either, or the second
    // one's letters would come out twice.
    std::set<unsigned> secondCarries;
    for (const auto& [first, letters] : lettersOfFirst) {
        if (letters.size() > 1) {
            secondCarries.insert(first);
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& [second, firsts] : firstsOfSecond) {
            const bool any = std::any_of(firsts.begin(), firsts.end(),
                                         [&](unsigned f) { return secondCarries.count(f) > 0; });
            for (const unsigned first : firsts) {
                changed = any && secondCarries.insert(first).second ? true : changed;
            }
        }
    }
    for (const Pair& pair : pairs) {
        if (secondCarries.count(pair.first)) {
            texts[pair.first].clear();
            texts[pair.second] = pair.letters;
        } else {
            texts[pair.first] = pair.letters;
            texts[pair.second].clear();
        }
    }
}

}  // namespace

std::map<unsigned, std::u32string> ShapedGlyphTexts(const FontFile& file, const PageText& page,
                                                    const std::vector<bool>& reached) {
    std::map<unsigned, std::u32string> texts;
    std::vector<Pair> pairs;
    const Blob blob(hb_blob_create_from_file(file.path.c_str()));
    const Face face(hb_face_create(blob.get(), static_cast<unsigned>(file.index)));
    const Font font(hb_font_create(face.get()));
    const Buffer buffer(hb_buffer_create());
    RunReader reader(reached, texts, pairs);
    for (const std::u32string& run : page.runs) {
        hb_buffer_clear_contents(buffer.get());
        hb_buffer_add_utf32(buffer.get(), reinterpret_cast<const uint32_t*>(run.data()),
                            static_cast<int>(run.size()), 0, static_cast<int>(run.size()));
        hb_buffer_guess_segment_properties(buffer.get());
        // Marks keep clusters of their own, so that only glyphs made of several characters
        // stand for more than one.
        hb_buffer_set_cluster_level(buffer.get(), HB_BUFFER_CLUSTER_LEVEL_CHARACTERS);
        hb_shape(font.get(), buffer.get(), nullptr, 0);
        reader.Read(buffer.get(), run);
    }
    JoinPairs(pairs, texts);
    return texts;
}

}  // namespace quill::textlayer
