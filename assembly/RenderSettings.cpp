#include "assembly/RenderSettings.h"

#include <cstdlib>
#include <filesystem>

namespace quill {

namespace {

constexpr std::chrono::milliseconds kDefaultChapterTimeout{60000};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string RendererBelow(const std::string& programFolder) {
    const bool slash = !programFolder.empty() && programFolder.back() == '/';
    return programFolder + (slash ? "" : "/") + "bin/quillrender";
}

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("./") : self.parent_path().string() + "/";
}

std::chrono::milliseconds ChapterTimeoutSetting() {
    const std::string text = Environment("QUILLBY_RENDER_TIMEOUT_MS");
    char* end = nullptr;
    const long long ms = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || ms <= 0) {
        return kDefaultChapterTimeout;
    }
    return std::chrono::milliseconds(ms);
}

std::string UserRenderCacheFolder() {
    const std::string cache = Environment("XDG_CACHE_HOME");
    if (!cache.empty() && cache[0] == '/') {
        return cache + "/quillby/render";
    }
    const std::string home = Environment("HOME");
    return home.empty() ? "" : home + "/.cache/quillby/render";
}

}  // namespace quill
