#include "core/AddressCheck.h"

#include "common/OneLine.h"
#include "common/SiteAddress.h"
#include "common/Utf8.h"

namespace quill {

namespace {

// The address as a message quotes it: pasted text may hold anything, and a terminal takes
// control characters as commands, so it is made one line; long ones are cut.
std::string Quoted(const std::string& address) {
    constexpr size_t kShown = 100;
    const std::string line = OneLine(address);
    size_t end = 0;
    for (size_t shown = 0; end < line.size() && shown < kShown; ++shown) {
        end += DecodeUtf8(line, end).length;
    }
    return "“" + line.substr(0, end) + (end < line.size() ? "…" : "") + "”";
}

// The site's host and one with "www." added or removed name the same site.
bool SameSite(std::string host, std::string siteHost) {
    for (std::string* name : {&host, &siteHost}) {
        if (!name->empty() && name->back() == '.') {
            name->pop_back();
        }
    }
    return !host.empty() &&
           (host == siteHost || "www." + host == siteHost || host == "www." + siteHost);
}

}  // namespace

std::optional<std::string> StoryAddressProblem(const std::string& address,
                                               const std::string& siteUrl) {
    const std::optional<SiteAddress> site = ReadSiteAddress(siteUrl);
    const std::string siteHost = site ? site->host : siteUrl;
    const std::string paste = " Paste the address of a story on " + siteHost + ", such as " +
                              siteUrl + "/story/12345-a-title.";
    if (address.find_first_not_of(" \t\r\n\f\v") == std::string::npos) {
        return "No story address was given." + paste;
    }
    if (const size_t length = CountUtf8Characters(address); length > kMaxAddressCharacters) {
        return "The address is too long to pass on: " + std::to_string(length) +
               " characters, and a story's address has at most " +
               std::to_string(kMaxAddressCharacters) + "." + paste;
    }
    const std::optional<SiteAddress> url = ReadSiteAddress(address);
    if (!url) {
        return Quoted(address) + " is not a web address: one starts with https:// or http://." +
               paste;
    }
    if (!SameSite(url->host, siteHost)) {
        return Quoted(address) + " is not on the story site " + siteHost + "." + paste;
    }
    if (!url->story && !url->part) {
        return Quoted(address) +
               " is not a story's address: it has no story number, as the story's page "
               "(…/story/12345-a-title) and each chapter's (…/67890-a-chapter) have." +
               paste;
    }
    return std::nullopt;
}

}  // namespace quill
