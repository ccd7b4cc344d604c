#include "core/AddressCheck.h"

#include <curl/curl.h>

#include <memory>
#include <new>

#include "common/Utf8.h"

namespace quill {

namespace {

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
    void operator()(char* text) const { curl_free(text); }
};

// A part of a parsed address, or an empty text when it has none.
std::string Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    const CURLUcode code = curl_url_get(url, part, &text, 0);
    const std::unique_ptr<char, TextFree> owned(text);
    return code == CURLUE_OK && text != nullptr ? text : "";
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

size_t Characters(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

// The address as a message quotes it: pasted text may hold anything, and a terminal takes
// control characters as commands, so they become blanks; long ones are cut.
std::string Quoted(const std::string& address) {
    constexpr size_t kShown = 100;
    const std::string valid = SanitizeUtf8(address);
    std::string shown;
    size_t characters = 0;
    for (size_t i = 0; i < valid.size(); ++i) {
        const auto byte = static_cast<unsigned char>(valid[i]);
        const bool c1 =
            byte == 0xC2 && i + 1 < valid.size() && static_cast<unsigned char>(valid[i + 1]) < 0xA0;
        if ((byte & 0xC0) != 0x80 && ++characters > kShown) {
            shown += "…";
            break;
        }
        if (byte < 0x20 || byte == 0x7F || c1) {
            shown += ' ';
            i += c1;
        } else {
            shown += valid[i];
        }
    }
    return "“" + shown + "”";
}

// The site's host and one with "www." added or removed name the same site.
bool SameSite(std::string host, std::string siteHost) {
    for (std::string* name : {&host, &siteHost}) {
        *name = Lower(*name);
        if (!name->empty() && name->back() == '.') {
            name->pop_back();
        }
    }
    return !host.empty() &&
           (host == siteHost || "www." + host == siteHost || host == "www." + siteHost);
}

// "/story/N", "/N", each followed by nothing, "-…" or "/…".
bool NamesAStory(const std::string& path) {
    constexpr char kStory[] = "/story/";
    if (path.empty() || path[0] != '/') {
        return false;
    }
    const size_t number = path.rfind(kStory, 0) == 0 ? sizeof kStory - 1 : 1;
    size_t end = number;
    while (end < path.size() && path[end] >= '0' && path[end] <= '9') {
        ++end;
    }
    return end > number && (end == path.size() || path[end] == '-' || path[end] == '/');
}

}  // namespace

std::optional<std::string> StoryAddressProblem(const std::string& address,
                                               const std::string& siteUrl) {
    const std::unique_ptr<CURLU, UrlFree> site(curl_url());
    const std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (!site || !url) {
        throw std::bad_alloc();
    }
    const bool siteKnown = curl_url_set(site.get(), CURLUPART_URL, siteUrl.c_str(), 0) == CURLUE_OK;
    const std::string siteHost = siteKnown ? Part(site.get(), CURLUPART_HOST) : siteUrl;
    const std::string paste = " Paste the address of a story on " + siteHost + ", such as " +
                              siteUrl + "/story/12345-a-title.";
    if (address.find_first_not_of(" \t\r\n\f\v") == std::string::npos) {
        return "No story address was given." + paste;
    }
    if (const size_t length = Characters(address); length > kMaxAddressCharacters) {
        return "The address is too long to pass on: " + std::to_string(length) +
               " characters, and a story's address has at most " +
               std::to_string(kMaxAddressCharacters) + "." + paste;
    }
    const bool parsed = curl_url_set(url.get(), CURLUPART_URL, address.c_str(),
                                     CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
    const std::string scheme = parsed ? Lower(Part(url.get(), CURLUPART_SCHEME)) : "";
    if (scheme != "http" && scheme != "https") {
        return Quoted(address) + " is not a web address: one starts with https:// or http://." +
               paste;
    }
    if (!SameSite(Part(url.get(), CURLUPART_HOST), siteHost)) {
        return Quoted(address) + " is not on the story site " + siteHost + "." + paste;
    }
    if (!NamesAStory(Part(url.get(), CURLUPART_PATH))) {
        return Quoted(address) +
               " is not a story's address: it has no story number, as the story's page "
               "(…/story/12345-a-title) and each chapter's (…/67890-a-chapter) have." +
               paste;
    }
    return std::nullopt;
}

}  // namespace quill
