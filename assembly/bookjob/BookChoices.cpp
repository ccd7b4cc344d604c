#include "bookjob/BookChoices.h"

#include <array>
#include <utility>
#include <vector>

#include "common/Text.h"

namespace quill {

namespace {

constexpr std::array<std::pair<PagePreset, const char*>, 5> kPages{{
    {PagePreset::A4, "a4"},
    {PagePreset::Letter, "letter"},
    {PagePreset::A5, "a5"},
    {PagePreset::Ereader, "ereader"},
    {PagePreset::Phone, "phone"},
}};

constexpr std::array<std::pair<TextSize, const char*>, 3> kTexts{{
    {TextSize::Small, "small"},
    {TextSize::Medium, "medium"},
    {TextSize::Large, "large"},
}};

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

// "name=value" split at its first "=": the value, when the word has that name.
std::optional<std::string_view> ValueOf(std::string_view word, std::string_view name) {
    if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 &&
        word[name.size()] == '=') {
        return word.substr(name.size() + 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<PagePreset> PagePresetNamed(std::string_view name) {
    for (const auto& [page, text] : kPages) {
        if (name == text) {
            return page;
        }
    }
    return std::nullopt;
}

const char* PagePresetName(PagePreset page) {
    for (const auto& [value, text] : kPages) {
        if (value == page) {
            return text;
        }
    }
    return "a4";
}

std::optional<TextSize> TextSizeNamed(std::string_view name) {
    for (const auto& [size, text] : kTexts) {
        if (name == text) {
            return size;
        }
    }
    return std::nullopt;
}

const char* TextSizeName(TextSize text) {
    for (const auto& [value, name] : kTexts) {
        if (value == text) {
            return name;
        }
    }
    return "medium";
}

std::optional<int> VolumeChaptersNamed(std::string_view text) {
    const std::optional<long long> number = ParseInteger(text);
    if (!number || *number < 0 || *number > kMostVolumeChapters) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::string BookChoicesText(const BookChoices& choices) {
    std::string text =
        std::string("page=") + PagePresetName(choices.page) + " text=" + TextSizeName(choices.text);
    text += choices.dark ? " dark" : "";
    text += choices.ragged ? " ragged" : "";
    if (choices.volumeChapters > 0) {
        text += " volume=" + std::to_string(choices.volumeChapters);
    }
    return text;
}

BookChoices ReadBookChoices(std::string_view text) {
    BookChoices choices;
    for (const std::string_view word : Words(text)) {
        if (const auto page = ValueOf(word, "page")) {
            choices.page = PagePresetNamed(*page).value_or(choices.page);
        } else if (const auto size = ValueOf(word, "text")) {
            choices.text = TextSizeNamed(*size).value_or(choices.text);
        } else if (const auto volume = ValueOf(word, "volume")) {
            choices.volumeChapters = VolumeChaptersNamed(*volume).value_or(0);
        } else if (word == "dark") {
            choices.dark = true;
        } else if (word == "ragged") {
            choices.ragged = true;
        }
    }
    return choices;
}

PageLook LookOf(const BookChoices& choices, const std::string& language) {
    PageLook look;
    look.page = choices.page;
    look.text = choices.text;
    look.dark = choices.dark;
    look.justified = !choices.ragged && JustifiedInPrint(language);
    return look;
}

std::string PageLookText(const PageLook& look) {
    return std::string(PagePresetName(look.page)) + " " + TextSizeName(look.text) +
           (look.dark ? " dark" : " light") + (look.justified ? " justified" : " ragged");
}

std::optional<PageLook> ReadPageLook(std::string_view text) {
    const std::vector<std::string_view> words = Words(text);
    if (words.size() != 4) {
        return std::nullopt;
    }
    const std::optional<PagePreset> page = PagePresetNamed(words[0]);
    const std::optional<TextSize> size = TextSizeNamed(words[1]);
    if (!page || !size || (words[2] != "dark" && words[2] != "light") ||
        (words[3] != "justified" && words[3] != "ragged")) {
        return std::nullopt;
    }
    return PageLook{*page, *size, words[2] == "dark", words[3] == "justified"};
}

std::string PrimaryLanguage(const std::string& language) {
    const std::string primary = LowerAscii(language.substr(0, language.find_first_of("-_")));
    return primary == "und" ? "" : primary;
}

bool JustifiedInPrint(const std::string& language) {
    static const char* const kUnjustified[] = {"th", "lo", "km", "my",  "bo", "dz",
                                               "zh", "ja", "ko", "yue", "wuu"};
    const std::string primary = PrimaryLanguage(language);
    for (const char* unjustified : kUnjustified) {
        if (primary == unjustified) {
            return false;
        }
    }
    return true;
}

}  // namespace quill
