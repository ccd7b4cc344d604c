#include "core/StoryAddress.h"

#include "common/SiteAddress.h"

namespace quill {

std::string StoryAddress(const std::string& url, std::optional<uint64_t> number) {
    const std::optional<SiteAddress> site = ReadSiteAddress(url);
    if (!site) {
        return url;  // no address: only the same text is the same story
    }
    if (number || site->story) {
        return StoryKeyAddress(site->origin, number ? *number : *site->story);
    }
    return site->origin + site->path;
}

std::vector<std::string> EarlierStoryAddresses(const std::string& url,
                                               std::optional<uint64_t> number) {
    const std::string earlier = StoryAddress(url);
    if (earlier == StoryAddress(url, number)) {
        return {};
    }
    return {earlier};
}

}  // namespace quill
