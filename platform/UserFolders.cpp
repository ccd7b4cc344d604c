#include "platform/UserFolders.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

extern char** environ;

namespace platform {

namespace {

std::optional<std::string> Env(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

// A home we can build on: set and absolute. Without one, nothing is guessed: a job run
// with HOME unset must not scatter folders over "/".
UserFolder Home() {
    const std::optional<std::string> home = Env("HOME");
    if (!home) {
        return {"", "HOME is not set"};
    }
    if ((*home)[0] != '/') {
        return {"", "HOME (" + *home + ") is not an absolute path"};
    }
    std::string path = *home;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return {path, ""};
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: a shell-quoted path that may start
// with $HOME, and nothing else is allowed there.
std::optional<std::string> UserDirsDocuments(const std::string& home) {
    const std::string config = Env("XDG_CONFIG_HOME").value_or(home + "/.config");
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    constexpr char kKey[] = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(file, line)) {
        if (line.rfind(kKey, 0) != 0 || line.size() < sizeof kKey || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(sizeof kKey - 1, line.size() - sizeof kKey);
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        }
        if (!value.empty() && value[0] == '/' && value != home && value != home + "/") {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

UserFolder DocumentsFolder() {
    const UserFolder home = Home();
    if (home.path.empty()) {
        return home;
    }
    return {UserDirsDocuments(home.path).value_or(home.path + "/Documents"), ""};
}

// An XDG base folder: the variable when it holds an absolute path, else below the home.
UserFolder XdgFolder(const char* variable, const char* belowHome) {
    if (const std::optional<std::string> path = Env(variable); path && (*path)[0] == '/') {
        return {*path, ""};
    }
    const UserFolder home = Home();
    if (home.path.empty()) {
        return home;
    }
    return {home.path + belowHome, ""};
}

UserFolder AppDataFolder() {
    return XdgFolder("XDG_DATA_HOME", "/.local/share");
}

UserFolder CacheFolder() {
    return XdgFolder("XDG_CACHE_HOME", "/.cache");
}

std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "./";
    }
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

void OpenWithDefaultProgram(const std::string& target) {
    // Some openers stay until the viewer closes, so a shell starts xdg-open in the
    // background and ends at once; only the shell is waited for. setsid detaches both
    // from our session, so the viewer outlives us.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    const char* argv[] = {"/bin/sh", "-c",           "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &",
                          "sh",      target.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", nullptr, &attr, const_cast<char**>(argv), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawnattr_destroy(&attr);
}

}  // namespace platform
