#include "downloader/SiteData.h"

#include "JsonPick.h"
#include "web/Errors.h"

namespace quill {

namespace {

constexpr std::string_view kName = "window.prefetched";

bool IsJsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsJsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// The script's text after "window.prefetched =", or nothing when it starts otherwise.
std::optional<std::string_view> AssignedValue(std::string_view script) {
    script = SkipBlanks(script);
    if (script.substr(0, kName.size()) != kName) {
        return std::nullopt;
    }
    script = SkipBlanks(script.substr(kName.size()));
    if (script.empty() || script.front() != '=') {
        return std::nullopt;
    }
    return script.substr(1);
}

}  // namespace

std::optional<int> PageCountIn(std::string_view script, const std::string& url) {
    const std::optional<std::string_view> value = AssignedValue(script);
    if (!value) {
        return std::nullopt;
    }
    // The count's key is read with case ignored ("PAGES", "Pages"). The site's own script
    // reads part.pages, so that key decides whenever it is there; without it, the last of
    // the keys that differ from it only in case counts, as the last of repeated keys does.
    std::vector<std::optional<nlohmann::json>> found;
    try {
        found = PickJson(*value, {{"part", "pages"}, {"part", JsonKey::AnyCase("pages")}}, false);
    } catch (const ValueError& failure) {
        throw ValueError("the page data (" + std::string(kName) + ") in " + url + " is " +
                         failure.what());
    }
    const std::optional<nlohmann::json>& pages = found[0] ? found[0] : found[1];
    if (!pages) {
        throw KeyError("no page count (part.pages in " + std::string(kName) + ") in " + url);
    }
    if (!pages->is_number_integer()) {
        throw ValueError("the page count in " + url + " is not a whole number");
    }
    const bool inRange = pages->is_number_unsigned()
                             ? pages->get<uint64_t>() <= kMaxPages
                             : pages->get<int64_t>() >= 0 && pages->get<int64_t>() <= kMaxPages;
    if (!inRange) {
        throw ValueError("the page count " + pages->dump() + " in " + url + " is outside 0 to " +
                         std::to_string(kMaxPages));
    }
    return pages->get<int>();
}

}  // namespace quill
