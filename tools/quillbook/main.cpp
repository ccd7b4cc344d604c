// quillbook WORKFOLDER TITLE LASTCHAPTER DATAFOLDER [AUTHOR [STORYURL]]
//
// Builds the book from a work folder that already holds its 0.html .. N.html, the way the
// window does after a download: progress lines on standard output, the book's path as the
// last line; on failure the error's message on standard error and a non-zero exit. The
// author and the story's address go into the book's information; a book with an address
// replaces only a book of the same story.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "ConsoleLog.h"
#include "assembly/BookBuilder.h"
#include "assembly/WkHtmlToXCore.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kBuildError = 1;

bool ParseChapter(const char* text, int& value) {
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

// The engine's Qt needs a display; without one it must render off screen, and that has
// to be decided before the engine starts.
void ChooseQtPlatform() {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
}

// The engine reads pages by absolute file address.
std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::u8path(path)).u8string();
}

}  // namespace

int main(int argc, char** argv) {
    quill::BookJob job;
    if (argc < 5 || argc > 7 || !ParseChapter(argv[3], job.lastchapter)) {
        std::cerr << "usage: quillbook WORKFOLDER TITLE LASTCHAPTER DATAFOLDER [AUTHOR [STORYURL]]"
                  << std::endl;
        return kUsageError;
    }
    ChooseQtPlatform();
    // Past a file-size limit a write then fails as a write, and the build removes its
    // half-written files, instead of the process dying and leaving them behind.
    std::signal(SIGXFSZ, SIG_IGN);
    int status = EXIT_SUCCESS;
    try {
        job.tmpdir = Absolute(argv[1]);
        job.booktitle = argv[2];
        job.datadir = Absolute(argv[4]);
        job.bookauthor = argc > 5 ? argv[5] : "";
        job.storyurl = argc > 6 ? argv[6] : "";
        quill::ConsoleLog log(std::cout);
        quill::BuildBook(job, log);
        std::cout << job.bookfile << std::endl;
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        status = kBuildError;
    }
    quill::FinalizeWkHtmlToX();
    return status;
}
