#include "downloader/SiteData.h"

#include <sstream>

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

}  // namespace

std::optional<nlohmann::json> PrefetchedData(std::string_view script) {
    script = SkipBlanks(script);
    if (script.substr(0, kName.size()) != kName) {
        return std::nullopt;
    }
    script = SkipBlanks(script.substr(kName.size()));
    if (script.empty() || script.front() != '=') {
        return std::nullopt;
    }
    // A stream parse reads one value and leaves the rest of the script (";", more code).
    std::istringstream in{std::string(script.substr(1))};
    nlohmann::json data;
    try {
        in >> data;
    } catch (const nlohmann::json::exception& failure) {
        throw ValueError(std::string("the page data (") + std::string(kName) +
                         ") is not JSON: " + failure.what());
    }
    return data;
}

int PageCount(const nlohmann::json& data, const std::string& url) {
    const auto part = data.is_object() ? data.find("part") : data.end();
    if (part == data.end() || !part->is_object() || !part->contains("pages")) {
        throw KeyError("no page count (part.pages in " + std::string(kName) + ") in " + url);
    }
    const nlohmann::json& pages = part->at("pages");
    if (!pages.is_number_integer()) {
        throw ValueError("the page count in " + url + " is not a whole number");
    }
    const bool inRange = pages.is_number_unsigned()
                             ? pages.get<uint64_t>() <= kMaxPages
                             : pages.get<int64_t>() >= 0 && pages.get<int64_t>() <= kMaxPages;
    if (!inRange) {
        throw ValueError("the page count " + pages.dump() + " in " + url + " is outside 0 to " +
                         std::to_string(kMaxPages));
    }
    return pages.get<int>();
}

}  // namespace quill
