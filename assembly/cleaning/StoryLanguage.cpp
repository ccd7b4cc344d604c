// The story's language where its site gives none: what the chapters' script tells.
#include "cleaning/StoryLanguage.h"

#include <unicode/uscript.h>

#include "common/FileBytes.h"
#include "common/LanguageTag.h"
#include "common/Paths.h"
#include "common/Utf8.h"

namespace quill {

namespace {

// Enough letters to tell a script from the quotations and names of another, and few enough
// that a story of a thousand chapters is read in moments.
constexpr size_t kLettersPerChapter = 4096;
constexpr size_t kLettersInAll = 65536;

// A language's share of the letters for its script to tell it.
constexpr double kDominant = 0.8;

// Letters that Persian and Urdu write and Arabic does not (پ چ ژ گ ک ی), and those of Urdu
// alone (ٹ ڈ ڑ ں ھ ہ ے).
bool IsPersianLetter(char32_t c) {
    return c == 0x067E || c == 0x0686 || c == 0x0698 || c == 0x06AF || c == 0x06A9 || c == 0x06CC;
}

bool IsUrduLetter(char32_t c) {
    return c == 0x0679 || c == 0x0688 || c == 0x0691 || c == 0x06BA || c == 0x06BE || c == 0x06C1 ||
           c == 0x06D2;
}

bool AtLeast(size_t part, double share, size_t whole) {
    return whole > 0 && static_cast<double>(part) >= share * static_cast<double>(whole);
}

}  // namespace

void ScriptTally::Add(std::string_view text, size_t most) {
    bool inTag = false;
    const size_t stop = letters_ + most;
    for (size_t at = 0; at < text.size() && letters_ < stop;) {
        const Utf8Char c = DecodeUtf8(text, at);
        at += c.length;
        if (c.code == '<' || c.code == '>') {
            inTag = c.code == '<';
            continue;
        }
        if (inTag || c.code < 0x41) {
            continue;
        }
        UErrorCode error = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(static_cast<UChar32>(c.code), &error);
        if (U_FAILURE(error) || script == USCRIPT_COMMON || script == USCRIPT_INHERITED ||
            script == USCRIPT_UNKNOWN) {
            continue;  // digits, punctuation, marks
        }
        ++letters_;
        switch (script) {
            case USCRIPT_ARABIC:
                ++arabic_;
                persian_ += IsPersianLetter(c.code);
                urdu_ += IsUrduLetter(c.code);
                break;
            case USCRIPT_HEBREW:
                ++hebrew_;
                yiddish_ += c.code >= 0x05F0 && c.code <= 0x05F2;  // װ ױ ײ
                break;
            case USCRIPT_THAI:
                ++thai_;
                break;
            case USCRIPT_DEVANAGARI:
                ++devanagari_;
                break;
            case USCRIPT_HANGUL:
                ++hangul_;
                break;
            case USCRIPT_HIRAGANA:
            case USCRIPT_KATAKANA:
                ++kana_;
                break;
            case USCRIPT_HAN:
                ++han_;
                break;
            default:
                break;
        }
    }
}

std::string ScriptTally::Language() const {
    if (AtLeast(arabic_, kDominant, letters_)) {
        if (AtLeast(urdu_, 0.02, arabic_)) {
            return "ur";
        }
        return AtLeast(persian_, 0.02, arabic_) ? "fa" : "ar";
    }
    if (AtLeast(hebrew_, kDominant, letters_)) {
        return AtLeast(yiddish_, 0.01, hebrew_) ? "yi" : "he";
    }
    if (AtLeast(thai_, kDominant, letters_)) {
        return "th";
    }
    if (AtLeast(devanagari_, kDominant, letters_)) {
        return "hi";
    }
    // Japanese writes Han between its kana, Korean now and then; Han alone is no language.
    if (AtLeast(kana_ + han_, kDominant, letters_) && AtLeast(kana_, 0.1, kana_ + han_)) {
        return "ja";
    }
    if (AtLeast(hangul_ + han_, kDominant, letters_) && AtLeast(hangul_, 0.5, hangul_ + han_)) {
        return "ko";
    }
    return kUndeterminedLanguage;
}

std::string BookLanguage(const std::string& siteTag, const std::string& workFolder,
                         int lastChapter) {
    if (const std::optional<std::string> tag = WellFormedLanguageTag(siteTag)) {
        return *tag;
    }
    ScriptTally tally;
    for (long long n = 1; n <= lastChapter && tally.Letters() < kLettersInAll; ++n) {
        const std::optional<std::string> chapter =
            TryReadFileBytes(JoinPath(workFolder, std::to_string(n) + ".html"));
        if (chapter) {
            tally.Add(*chapter, kLettersPerChapter);
        }
    }
    return tally.Language();
}

}  // namespace quill
