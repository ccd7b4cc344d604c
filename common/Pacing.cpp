#include "common/Pacing.h"

#include <cstdlib>

namespace quill {

namespace {

constexpr std::chrono::milliseconds kChapterPause{20000};

}  // namespace

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
