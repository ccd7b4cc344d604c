#include "common/Pacing.h"

#include "common/Settings.h"

namespace quill {

std::chrono::milliseconds ChapterPause() {
    return std::chrono::milliseconds(NumberSetting("QUILLBY_CHAPTER_PAUSE_MS", 20000));
}

}  // namespace quill
