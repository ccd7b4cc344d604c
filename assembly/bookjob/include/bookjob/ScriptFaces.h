#pragma once

#include <string>
#include <string_view>

// The typefaces a book's text is set in, one place for the rendered copy's markup and the
// book's style sheet. All come from Debian's font packages that set-up installs
// (fonts-noto-core, fonts-noto-cjk, fonts-symbola).
namespace quill {

// The faces every run of text falls back through, glyph by glyph: Latin, Greek, Cyrillic
// and Vietnamese in Noto Serif, Han, kana and Hangul in Noto Serif CJK, emoji in Symbola.
// (Noto Color Emoji is not drawn by the HTML engine at all.)
constexpr std::string_view kLatinFace = "Noto Serif";
constexpr std::string_view kEmojiFace = "Symbola";

// The engine lays out these scripts with the first family of the element that holds the
// text, whatever the families after it offer. So each run of them gets a span of its own
// (class "qs-" and the script's ISO 15924 code in lower case) whose rule names its face
// first; a serif face where Debian has one.
struct ScriptFace {
    std::string_view script;  // ISO 15924 code, as ICU names it ("Arab")
    std::string_view family;
    // Marks stack high above its letters (Thai ที่): its lines need more room above than a
    // heading's tight line height gives, or the engine cuts them off at the top of a page.
    bool stacksMarks = false;
};

constexpr ScriptFace kComplexScriptFaces[] = {
    {"Arab", "Noto Naskh Arabic"},        {"Hebr", "Noto Serif Hebrew"},
    {"Thai", "Noto Serif Thai", true},    {"Laoo", "Noto Serif Lao", true},
    {"Khmr", "Noto Serif Khmer", true},   {"Mymr", "Noto Serif Myanmar", true},
    {"Tibt", "Noto Serif Tibetan", true}, {"Deva", "Noto Serif Devanagari"},
    {"Beng", "Noto Serif Bengali"},       {"Guru", "Noto Serif Gurmukhi"},
    {"Gujr", "Noto Serif Gujarati"},      {"Orya", "Noto Sans Oriya"},
    {"Taml", "Noto Serif Tamil"},         {"Telu", "Noto Serif Telugu"},
    {"Knda", "Noto Serif Kannada"},       {"Mlym", "Noto Serif Malayalam"},
    {"Sinh", "Noto Serif Sinhala"},       {"Syrc", "Noto Sans Syriac"},
    {"Thaa", "Noto Sans Thaana"},
};

// The class of a run of the script: "qs-arab" for "Arab".
inline std::string ScriptClass(std::string_view script) {
    std::string name = "qs-";
    for (const char c : script) {
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return name;
}

// The Han glyph forms differ between the regions that write them; the story's language
// picks them.
struct HanFace {
    std::string_view language;  // a CSS :lang() argument
    std::string_view family;
};

constexpr std::string_view kDefaultHanFace = "Noto Serif CJK SC";
constexpr HanFace kHanFaces[] = {
    {"ja", "Noto Serif CJK JP"},      {"ko", "Noto Serif CJK KR"},
    {"zh-Hant", "Noto Serif CJK TC"}, {"zh-TW", "Noto Serif CJK TC"},
    {"zh-HK", "Noto Serif CJK HK"},   {"zh-MO", "Noto Serif CJK HK"},
};

}  // namespace quill
