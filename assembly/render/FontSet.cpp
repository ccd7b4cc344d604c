#include "FontSet.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "common/DebugLog.h"
#include "common/Digest.h"

namespace quill {

namespace {

using ConfigOwner = std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)>;

// "path size mtime" of a file, or the path alone when it cannot be looked at.
std::string Stamped(const char* path) {
    struct stat info {};
    std::string line = path;
    if (::stat(path, &info) == 0) {
        line += "\t" + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) +
                "." + std::to_string(info.st_mtim.tv_nsec);
    }
    return line;
}

std::vector<std::string> ConfigFiles(FcConfig* config) {
    std::vector<std::string> lines;
    FcStrList* files = FcConfigGetConfigFiles(config);
    while (const FcChar8* file = FcStrListNext(files)) {
        lines.push_back("config " + Stamped(reinterpret_cast<const char*>(file)));
    }
    FcStrListDone(files);
    return lines;
}

// One line per font file (a file with several faces counts once).
std::vector<std::string> FontFiles(FcConfig* config) {
    std::vector<std::string> paths;
    if (const FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem)) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch) {
                paths.emplace_back(reinterpret_cast<const char*>(file));
            }
        }
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    std::vector<std::string> lines;
    lines.reserve(paths.size());
    for (const std::string& path : paths) {
        lines.push_back("font " + Stamped(path.c_str()));
    }
    return lines;
}

}  // namespace

std::string FontSetIdentity() {
    const auto start = std::chrono::steady_clock::now();
    // A configuration of our own, loaded the way the engine's toolkit loads its own: from
    // the same files, with its cache of each font folder checked against the folder.
    const ConfigOwner config(FcInitLoadConfigAndFonts(), &FcConfigDestroy);
    if (!config) {
        DebugLog("render cache: fontconfig could not load its configuration");
        return "fonts unknown\n";
    }
    std::vector<std::string> lines = ConfigFiles(config.get());
    const std::vector<std::string> fonts = FontFiles(config.get());
    lines.insert(lines.end(), fonts.begin(), fonts.end());
    Sha256 hash;
    for (const std::string& line : lines) {
        hash.Add(line).Add("\n");
    }
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    DebugLog("render cache: " + std::to_string(fonts.size()) + " font files looked at in " +
             std::to_string(took.count() / 1000.0) + " ms");
    return "fonts " + hash.Hex() + "\n";
}

}  // namespace quill
