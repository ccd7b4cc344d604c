#include "common/SiteAddress.h"

#include <curl/curl.h>

#include <memory>

#include "common/Text.h"

namespace quill {

namespace {

constexpr size_t kMostDigits = 18;  // every such number fits 64 bits

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
    void operator()(char* text) const { curl_free(text); }
};

std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned flags) {
    char* text = nullptr;
    const CURLUcode code = curl_url_get(url, part, &text, flags);
    const std::unique_ptr<char, TextFree> owned(text);
    if (code != CURLUE_OK || text == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number at the start of a path segment when the segment ends there or "-" follows it.
std::optional<uint64_t> LeadingNumber(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    if (end < text.size() && text[end] != '-') {
        return std::nullopt;
    }
    return ParseStoryNumber(text.substr(0, end));
}

}  // namespace

std::optional<uint64_t> ParseStoryNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > kMostDigits || !IsDigit(digits[0])) {
        return std::nullopt;
    }
    const std::optional<long long> number = ParseInteger(digits);
    return number && *number > 0 ? std::optional<uint64_t>(*number) : std::nullopt;
}

std::optional<SiteAddress> ReadSiteAddress(const std::string& address, MissingScheme missing) {
    const std::unique_ptr<CURLU, UrlFree> url(curl_url());
    const unsigned flags = missing == MissingScheme::Http ? CURLU_GUESS_SCHEME : 0;
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), flags) != CURLUE_OK) {
        return std::nullopt;
    }
    const std::optional<std::string> scheme = Part(url.get(), CURLUPART_SCHEME, 0);
    const std::optional<std::string> host = Part(url.get(), CURLUPART_HOST, 0);
    if (!scheme || !host || host->empty() ||
        (LowerAscii(*scheme) != "http" && LowerAscii(*scheme) != "https")) {
        return std::nullopt;
    }
    SiteAddress site;
    site.host = LowerAscii(*host);
    site.origin = LowerAscii(*scheme) + "://" + site.host;
    if (const auto port = Part(url.get(), CURLUPART_PORT, CURLU_NO_DEFAULT_PORT)) {
        site.origin += ":" + *port;
    }
    site.path = Part(url.get(), CURLUPART_PATH, 0).value_or("/");
    while (!site.path.empty() && site.path.back() == '/') {
        site.path.pop_back();
    }
    constexpr std::string_view kStory = "/story/";
    const std::string_view path = site.path;
    const bool storyPage = path.substr(0, kStory.size()) == kStory;
    const std::string_view rest = path.substr(storyPage ? kStory.size() : path.empty() ? 0 : 1);
    site.name = std::string(rest.substr(0, rest.find('/')));
    if (storyPage) {
        site.story = LeadingNumber(site.name);
    } else if (!site.name.empty()) {
        site.part = LeadingNumber(site.name);
    }
    return site;
}

std::optional<uint64_t> StoryNumberIn(const std::string& address) {
    const std::optional<SiteAddress> site = ReadSiteAddress(address);
    return site ? site->story : std::nullopt;
}

std::string StoryKeyAddress(const std::string& origin, uint64_t number) {
    return origin + "/story/" + std::to_string(number);
}

bool SameStory(const std::string& one, const std::string& other) {
    const std::optional<SiteAddress> a = ReadSiteAddress(one);
    const std::optional<SiteAddress> b = ReadSiteAddress(other);
    if (!a || !b) {
        return one == other;
    }
    if (a->origin != b->origin) {
        return false;
    }
    if (a->story && b->story) {
        return *a->story == *b->story;
    }
    return a->path == b->path;
}

}  // namespace quill
