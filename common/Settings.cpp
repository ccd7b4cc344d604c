#include "common/Settings.h"

#include <cstdlib>

#include "common/Text.h"

namespace quill {

long long NumberSetting(const char* name, long long fallback, long long minimum) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    const std::optional<long long> value = ParseInteger(text);
    return value && *value >= minimum ? *value : fallback;
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
