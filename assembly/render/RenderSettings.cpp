#include "render/RenderSettings.h"

#include "common/Settings.h"
#include "platform/UserFolders.h"

namespace quill {

namespace {

constexpr std::chrono::milliseconds kDefaultChapterTimeout{60000};

}  // namespace

std::string RendererBelow(const std::string& programFolder) {
    const bool slash = !programFolder.empty() && programFolder.back() == '/';
    return programFolder + (slash ? "" : "/") + "bin/quillrender";
}

std::chrono::milliseconds ChapterTimeoutSetting() {
    return std::chrono::milliseconds(
        NumberSetting("QUILLBY_RENDER_TIMEOUT_MS", kDefaultChapterTimeout.count(), 1));
}

int RenderWorkersSetting() {
    return static_cast<int>(NumberSetting("QUILLBY_RENDER_WORKERS", 0));
}

std::string UserRenderCacheFolder() {
    const platform::UserFolder cache = platform::CacheFolder();
    return cache.path.empty() ? "" : cache.path + "/quillby/render";
}

}  // namespace quill
