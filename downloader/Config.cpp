#include "downloader/Config.h"

#include <cstdlib>

namespace quill {

namespace {

constexpr char kBaseUrl[] = "https://www.quillby.com";

}  // namespace

std::string BaseUrl() {
    const char* value = std::getenv("QUILLBY_BASE_URL");
    std::string url = value != nullptr && *value != '\0' ? value : kBaseUrl;
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

}  // namespace quill
