#include "QuillbyRun.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "support/TestPaths.h"

namespace quill::test {

QuillbyDesk::QuillbyDesk(std::string siteBaseUrl) : home_("home"), tools_("desktop tools") {
    const std::string script = tools_.file("xdg-open");
    WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + tools_.file("opened.txt") + "'\n");
    ::chmod(script.c_str(), 0755);
    const char* path = std::getenv("PATH");
    env_ = {
        {"HOME", home_.path()},
        {"XDG_CONFIG_HOME", home_.path() + "/.config"},
        {"XDG_DATA_HOME", home_.path() + "/.local/share"},
        {"XDG_RUNTIME_DIR", home_.path()},
        {"PATH", tools_.path() + ":" + (path != nullptr ? path : "/usr/bin:/bin")},
        {"QUILLBY_BASE_URL", std::move(siteBaseUrl)},
        {"QUILLBY_CHAPTER_PAUSE_MS", "20"},
        {"QUILLBY_DEBUG_LOG", home_.file("debug.log")},
        {"QT_QPA_PLATFORM", "offscreen"},
        // Headless unless a test says otherwise: then the book is not opened.
        {"DISPLAY", ""},
        {"WAYLAND_DISPLAY", ""},
    };
}

RunResult QuillbyDesk::Download(const std::string& address, const std::string& program) {
    return Run({program.empty() ? QuillbyPath() : program, "--download", address}, env_,
               std::chrono::seconds(90));
}

std::string QuillbyDesk::DataDir() const {
    return home_.path() + "/Documents/Inkvale/Quillby Downloader";
}

std::vector<std::string> QuillbyDesk::Opened(std::chrono::milliseconds wait) const {
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        try {
            return Lines(ReadFile(tools_.file("opened.txt")));
        } catch (const std::exception&) {
            if (std::chrono::steady_clock::now() >= until) {
                return {};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

std::string QuillbyDesk::DebugLog() const {
    try {
        return ReadFile(home_.file("debug.log"));
    } catch (const std::exception&) {
        return "";
    }
}

std::vector<std::string> PdfFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : ListDir(folder)) {
        if (std::filesystem::path(name).extension() == ".pdf") {
            names.push_back(name);
        }
    }
    return names;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string QuillbyPath() {
    return BinaryDir() + "/quillby";
}

// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const std::string& name : ListDir("/proc")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) {
            children.push_back(std::stoi(name));
        }
    }
    return children;
}

// Alive and not a zombie.
bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const size_t close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] != 'Z';
}

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
}

}  // namespace quill::test
