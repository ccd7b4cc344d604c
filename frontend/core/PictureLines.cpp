// The downloader's lines about chapters' pictures it left out.
#include "core/RunLog.h"

namespace quill {

namespace {

// The chapter number at the start of `rest` and what follows it.
std::optional<int> LeadingChapter(std::string_view& rest) {
    const size_t end = rest.find_first_not_of("0123456789");
    const std::optional<int> chapter = ParseWholeNumber(rest.substr(0, end));
    if (end == 0 || end == std::string_view::npos || !chapter || *chapter <= 0) {
        return std::nullopt;
    }
    rest.remove_prefix(end);
    return chapter;
}

}  // namespace

std::optional<std::pair<int, int>> ParsePicturesLeftOut(std::string_view line) {
    constexpr std::string_view kOne = "Picture left out of chapter ";
    constexpr std::string_view kMore = "Pictures left out of chapter ";
    const bool one = line.substr(0, kOne.size()) == kOne;
    if (!one && line.substr(0, kMore.size()) != kMore) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(one ? kOne.size() : kMore.size());
    const std::optional<int> chapter = LeadingChapter(rest);
    if (!chapter) {
        return std::nullopt;
    }
    if (one) {
        return rest.substr(0, 2) == " (" ? std::optional(std::pair(*chapter, 1)) : std::nullopt;
    }
    if (rest.substr(0, 2) != ": ") {
        return std::nullopt;
    }
    rest.remove_prefix(2);
    const size_t end = rest.find(' ');
    const std::optional<int> count = ParseWholeNumber(rest.substr(0, end));
    if (!count || *count <= 0 || end == std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair(*chapter, *count);
}

}  // namespace quill
