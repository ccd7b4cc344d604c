#pragma once

#include <optional>
#include <string>
#include <string_view>

// The kind of book a reader asks for: the page it is laid out on, the size of its type,
// dark pages for a screen, ragged or justified text, and volumes for a long story. The
// window, both command lines and the library read and write them by the names here.
namespace quill {

enum class PagePreset { A4, Letter, A5, Ereader, Phone };
enum class TextSize { Small, Medium, Large };

struct BookChoices {
    PagePreset page = PagePreset::A4;
    TextSize text = TextSize::Medium;
    bool dark = false;       // light text on a dark page (the cover page stays as it is)
    bool ragged = false;     // body text ragged right instead of justified and hyphenated
    int volumeChapters = 0;  // chapters per volume; 0: the whole story in one book

    bool operator==(const BookChoices& other) const {
        return page == other.page && text == other.text && dark == other.dark &&
               ragged == other.ragged && volumeChapters == other.volumeChapters;
    }
    bool operator!=(const BookChoices& other) const { return !(*this == other); }
};

// The most chapters a volume may be asked to hold; more is one book anyway.
constexpr int kMostVolumeChapters = 1000000;

// "a4", "letter", "a5", "ereader", "phone"; nothing for any other word.
std::optional<PagePreset> PagePresetNamed(std::string_view name);
const char* PagePresetName(PagePreset page);
// "small", "medium", "large"; nothing for any other word.
std::optional<TextSize> TextSizeNamed(std::string_view name);
const char* TextSizeName(TextSize text);
// A number of chapters per volume as a command line gives it: a whole number from 1 to
// kMostVolumeChapters, or 0 for none; nothing for anything else.
std::optional<int> VolumeChaptersNamed(std::string_view text);

// The choices as one line of words ("page=ereader text=large dark ragged volume=100"), the
// way the library keeps them; ReadBookChoices reads it back. A word it does not know, or a
// value out of range, leaves that choice at its default, so that a library written by a
// later version still makes a book.
std::string BookChoicesText(const BookChoices& choices);
BookChoices ReadBookChoices(std::string_view text);

// What shapes a rendered page: everything chosen but the volumes, with justification
// settled for the story's language. The render worker gets it with every page.
struct PageLook {
    PagePreset page = PagePreset::A4;
    TextSize text = TextSize::Medium;
    bool dark = false;
    bool justified = true;

    bool operator==(const PageLook& other) const {
        return page == other.page && text == other.text && dark == other.dark &&
               justified == other.justified;
    }
};

// The look of a book's pages with these choices for a story in that language.
PageLook LookOf(const BookChoices& choices, const std::string& language);
// One word for the render worker's line protocol ("a4 medium light justified"), and back;
// nothing for a text that is no look.
std::string PageLookText(const PageLook& look);
std::optional<PageLook> ReadPageLook(std::string_view text);

// Whether text of that language (a BCP 47 tag such as "en-GB") is set justified in print.
// Scripts that write words without spaces between them (Thai, Lao, Khmer, Myanmar,
// Tibetan) or that print on a character grid (Chinese, Japanese, Korean) are not: the
// engine could only stretch their rare spaces, which tears lines apart. Such text stays
// ragged and unhyphenated.
bool JustifiedInPrint(const std::string& language);

// The language's primary subtag, lower-cased ("pt" for "pt-BR"); empty for an empty tag
// and for "und" (undetermined).
std::string PrimaryLanguage(const std::string& language);

}  // namespace quill
