#include "downloader/Config.h"

#include <cstdlib>

namespace quill {

namespace {

constexpr char kBaseUrl[] = "https://www.quillby.com";
constexpr std::chrono::milliseconds kChapterPause{20000};

}  // namespace

std::string BaseUrl() {
    const char* value = std::getenv("QUILLBY_BASE_URL");
    std::string url = value != nullptr && *value != '\0' ? value : kBaseUrl;
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

std::chrono::milliseconds ChapterPause() {
    const char* value = std::getenv("QUILLBY_CHAPTER_PAUSE_MS");
    if (value == nullptr || *value == '\0') {
        return kChapterPause;
    }
    char* end = nullptr;
    const long long ms = std::strtoll(value, &end, 10);
    return end != value && ms >= 0 ? std::chrono::milliseconds(ms) : kChapterPause;
}

}  // namespace quill
