#include "core/Folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/AtomicFile.h"
#include "platform/SystemError.h"
#include "platform/UserFolders.h"
#include "render/RenderSettings.h"

namespace quill {

const char* const kProductTitle = "Quillby Downloader";

namespace {

// Creates the folder when it is missing. Empty on success, else why not.
std::string MakeFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            return "it is a file, not a folder";
        }
        return ::access(path.c_str(), W_OK | X_OK) == 0 ? "" : platform::SystemErrorText(errno);
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
        return platform::SystemErrorText(errno);
    }
    return "";
}

// The application data folder may be missing with its parents (a fresh home has no
// ~/.local); it is private to the user.
std::string MakeFolderPath(const std::string& path) {
    std::string built;
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        built = path.substr(0, at);
        struct stat st {};
        if (::stat(built.c_str(), &st) != 0 && ::mkdir(built.c_str(), 0700) != 0 &&
            errno != EEXIST) {
            return platform::SystemErrorText(errno);
        }
    }
    return MakeFolder(path);
}

std::string DocumentsProblem(const std::string& folder, const std::string& reason) {
    return "Cannot save books in the Documents folder \"" + folder + "\": " + reason + ".";
}

}  // namespace

JobFolders PrepareFolders(const std::string& name) {
    const platform::UserFolder documents = platform::DocumentsFolder();
    if (documents.path.empty()) {
        throw EDataFolderError("No Documents folder to save books in: " + documents.reason + ".");
    }
    JobFolders folders;
    std::string path = documents.path;
    for (const std::string& level : {std::string(), std::string("/Inkvale"), "/" + name}) {
        path += level;
        if (const std::string problem = MakeFolder(path); !problem.empty()) {
            throw EDataFolderError(DocumentsProblem(path, problem));
        }
    }
    folders.datadir = path + "/";
    folders.tmpdir = folders.datadir + "tmp";
    if (const std::string problem = MakeFolder(folders.tmpdir); !problem.empty()) {
        throw EDataFolderError(DocumentsProblem(folders.tmpdir, problem));
    }
    folders.logfile = folders.tmpdir + "/run.log";
    folders.lockfile = folders.datadir + ".quillby.lock";
    folders.renderCache = UserRenderCacheFolder();  // made when first used

    const platform::UserFolder appData = platform::AppDataFolder();
    const std::string data = appData.path + "/" + name;
    std::string problem = appData.reason;
    if (problem.empty()) {
        problem = MakeFolderPath(data);
    }
    if (problem.empty() && (problem = MakeFolder(data + "/stories")).empty()) {
        folders.store = data + "/stories";
        folders.library = data + "/library.sqlite";
    } else {
        folders.storeProblem =
            "Chapters cannot be kept for the next download in \"" + data + "\": " + problem + ".";
    }
    return folders;
}

void ClearDir(const std::string& path) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name.find('.') == std::string::npos) {
            continue;
        }
        const std::string file = path + "/" + name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            ::unlink(file.c_str());
        }
    }
}

void RemoveLeftovers(const JobFolders& folders) {
    // Far longer than any of our writes into the shared folders takes.
    constexpr long kSharedAgeSeconds = 15 * 60;
    platform::RemoveLeftovers(folders.datadir, 0);
    platform::RemoveLeftovers(folders.tmpdir, 0);
    if (!folders.renderCache.empty()) {
        platform::RemoveLeftovers(folders.renderCache, kSharedAgeSeconds);
    }
    if (folders.store.empty()) {
        return;
    }
    platform::RemoveLeftovers(folders.store, kSharedAgeSeconds);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folders.store.c_str()), &::closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        struct stat st {};
        const std::string story = folders.store + "/" + name;
        if (name != "." && name != ".." && ::lstat(story.c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode)) {
            platform::RemoveLeftovers(story, kSharedAgeSeconds);
        }
    }
}

}  // namespace quill
