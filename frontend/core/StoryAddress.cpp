#include "core/StoryAddress.h"

#include <algorithm>
#include <cctype>

namespace quill {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string StoryAddress(const std::string& url) {
    std::string address = url.substr(0, url.find_first_of("?#"));
    const size_t scheme = address.find("://");
    const size_t pathAt = scheme == std::string::npos ? 0 : address.find('/', scheme + 3);
    std::string origin = Lower(address.substr(0, std::min(pathAt, address.size())));
    std::string path = pathAt == std::string::npos ? "" : address.substr(pathAt);
    constexpr char kStory[] = "/story/";
    if (const size_t story = path.find(kStory); story != std::string::npos) {
        const size_t idAt = story + sizeof kStory - 1;
        size_t idEnd = idAt;
        while (idEnd < path.size() && std::isdigit(static_cast<unsigned char>(path[idEnd]))) {
            ++idEnd;
        }
        if (idEnd > idAt) {
            path = path.substr(0, idEnd);
        }
    }
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return origin + path;
}

}  // namespace quill
