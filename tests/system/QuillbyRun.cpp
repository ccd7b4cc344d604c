#include "QuillbyRun.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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

}  // namespace quill::test
