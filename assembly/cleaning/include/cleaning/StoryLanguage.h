#pragma once

#include <string>
#include <string_view>

namespace quill {

// The letters of a story's text counted by script, to tell its language where the script
// alone tells it: Arabic script gives "ar" (or "fa" and "ur" by the letters only those
// write), Hebrew "he" ("yi"), Thai "th", Hangul "ko", kana "ja", Devanagari "hi". Latin,
// Cyrillic, Han without kana and any mixture are written by many languages: "und".
class ScriptTally {
  public:
    // Counts the letters of text, markup and all (what stands between "<" and ">" is not
    // counted), at most `most` of them.
    void Add(std::string_view text, size_t most);
    // The language the counted letters tell, or "und".
    std::string Language() const;
    size_t Letters() const { return letters_; }

  private:
    size_t letters_ = 0;
    size_t arabic_ = 0, persian_ = 0, urdu_ = 0;
    size_t hebrew_ = 0, yiddish_ = 0;
    size_t thai_ = 0, devanagari_ = 0;
    size_t hangul_ = 0, kana_ = 0, han_ = 0;
};

// The language a book is made in: the site's tag when it is a well-formed one; otherwise the
// one the script of chapters 1 .. lastChapter in the work folder tells (ScriptTally, from
// the first few thousand letters of each until enough are counted); otherwise "und", never
// a guess.
std::string BookLanguage(const std::string& siteTag, const std::string& workFolder,
                         int lastChapter);

}  // namespace quill
