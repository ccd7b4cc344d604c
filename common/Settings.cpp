#include "common/Settings.h"

#include <cerrno>
#include <cstdlib>

namespace quill {

long long NumberSetting(const char* name, long long fallback, long long minimum) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= minimum ? value : fallback;
}

std::string StorySiteUrl() {
    const char* value = std::getenv("QUILLBY_BASE_URL");
    std::string url = value != nullptr && *value != '\0' ? value : "https://www.quillby.com";
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

}  // namespace quill
