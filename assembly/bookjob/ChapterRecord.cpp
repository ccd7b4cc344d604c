// What a book records about the chapters it holds, and the rule that a new build replaces
// the story's earlier book only when it holds all of them.
#include "bookjob/ChapterRecord.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "common/Paths.h"
#include "common/Text.h"

namespace quill {

namespace {

// A record that expands to more numbers than this is not one of ours; it is not expanded.
constexpr long long kMostRecorded = 1000000;

std::optional<int> ParseNumber(std::string_view text) {
    const std::optional<long long> value = ParseInteger(text);
    if (!value || *value < 0 || *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// "chapter 3", "chapters 2, 5"
std::string NameChapters(const std::vector<int>& numbers) {
    return (numbers.size() == 1 ? "chapter " : "chapters ") + NumberList(numbers);
}

}  // namespace

std::string FormatChapterList(const std::vector<int>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) {
            ++last;
        }
        text += (text.empty() ? "" : ",") + std::to_string(numbers[i]);
        if (last > i) {
            text += "-" + std::to_string(numbers[last]);
        }
        i = last + 1;
    }
    return text;
}

std::optional<std::vector<int>> ParseChapterList(std::string_view text) {
    std::vector<int> numbers;
    long long count = 0;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view range = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) {
            return std::nullopt;  // a trailing comma
        }
        const size_t dash = range.find('-');
        const std::optional<int> first = ParseNumber(range.substr(0, dash));
        const std::optional<int> last =
            dash == std::string_view::npos ? first : ParseNumber(range.substr(dash + 1));
        if (!first || !last || *last < *first || (!numbers.empty() && *first <= numbers.back())) {
            return std::nullopt;
        }
        count += static_cast<long long>(*last) - *first + 1;
        if (count > kMostRecorded) {
            return std::nullopt;
        }
        for (long long n = *first; n <= *last; ++n) {
            numbers.push_back(static_cast<int>(n));
        }
    }
    return numbers;
}

std::optional<KeptBook> KeepEarlierBook(const std::string& path, const ChaptersOfBook& chaptersOf,
                                        const std::vector<int>& held,
                                        const std::vector<int>& leftOut) {
    if (!FileExists(path)) {
        return std::nullopt;
    }
    const std::optional<std::vector<int>> earlier = chaptersOf(path);
    if (!earlier) {
        if (leftOut.empty()) {
            return std::nullopt;
        }
        return KeptBook{path, leftOut, true};
    }
    std::vector<int> missing;
    std::set_difference(earlier->begin(), earlier->end(), held.begin(), held.end(),
                        std::back_inserter(missing));
    if (missing.empty()) {
        return std::nullopt;
    }
    return KeptBook{path, missing, false};
}

std::string KeptBookMessage(const KeptBook& kept) {
    const std::string lacks = NameChapters(kept.missing);
    if (kept.unrecorded) {
        return "The book was kept: \"" + kept.path +
               "\" was made by an earlier version, which did not record its chapters, and this "
               "build lacks " +
               lacks + "; the new book was not saved.";
    }
    return "The book was kept: \"" + kept.path + "\" holds " + lacks +
           ", which this build lacks; the new book was not saved.";
}

void InsertChapter(std::vector<int>& sorted, int number) {
    const auto place = std::lower_bound(sorted.begin(), sorted.end(), number);
    if (place == sorted.end() || *place != number) {
        sorted.insert(place, number);
    }
}

}  // namespace quill
