#include "bookjob/BookChoiceOptions.h"

namespace quill {

bool ChoiceOptionTakesValue(std::string_view name) {
    return name == "page" || name == "text" || name == "volume-chapters";
}

std::string ApplyChoiceOption(std::string_view name, const char* value, BookChoices& choices) {
    const std::string given = value != nullptr ? value : "";
    if (name == "page") {
        if (const auto page = PagePresetNamed(given)) {
            choices.page = *page;
            return "";
        }
        return "--page needs a4, letter, a5, ereader or phone, not \"" + given + "\"";
    }
    if (name == "text") {
        if (const auto text = TextSizeNamed(given)) {
            choices.text = *text;
            return "";
        }
        return "--text needs small, medium or large, not \"" + given + "\"";
    }
    if (name == "volume-chapters") {
        if (const auto chapters = VolumeChaptersNamed(given)) {
            choices.volumeChapters = *chapters;
            return "";
        }
        return "--volume-chapters needs a number of chapters from 1 to " +
               std::to_string(kMostVolumeChapters) + " (0 for one book), not \"" + given + "\"";
    }
    if (name == "dark") {
        choices.dark = true;
    } else if (name == "ragged") {
        choices.ragged = true;
    }
    return "";
}

const char* ChoiceOptionsUsage() {
    return "  --page P        the page: a4 (the default), letter, a5, ereader (90 x 122 mm, a\n"
           "                  6-inch screen) or phone (62 x 110 mm)\n"
           "  --text S        the text size: small, medium (the default) or large\n"
           "  --dark          light text on dark pages, for reading on a screen\n"
           "  --ragged        ragged right instead of justified and hyphenated text\n"
           "  --volume-chapters N\n"
           "                  split a long story into books of N chapters each\n";
}

}  // namespace quill
