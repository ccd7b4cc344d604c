// quillbook [--render-cache FOLDER] WORKFOLDER TITLE LASTCHAPTER DATAFOLDER
//
// Builds the book from a work folder that already holds its 0.html .. N.html, the way the
// window does after a download: progress lines on standard output, the book's path as the
// last line; on failure the error's message on standard error and a non-zero exit. Pages
// are rendered by bin/quillrender below this program's folder, each within
// QUILLBY_RENDER_TIMEOUT_MS (60 s); with --render-cache, rendered pages are kept in FOLDER
// and reused by later builds.

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "ConsoleLog.h"
#include "assembly/BookBuilder.h"
#include "assembly/RenderSettings.h"
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

// The engine reads pages by absolute file address.
std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::u8path(path)).u8string();
}

}  // namespace

int main(int argc, char** argv) {
    quill::BookJob job;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--render-cache") {
        job.renderCache = Absolute(argv[2]);
        first = 3;
    }
    if (argc - first != 4 || !ParseChapter(argv[first + 2], job.lastchapter)) {
        std::cerr << "usage: quillbook [--render-cache FOLDER] WORKFOLDER TITLE LASTCHAPTER "
                     "DATAFOLDER"
                  << std::endl;
        return kUsageError;
    }
    int status = EXIT_SUCCESS;
    try {
        job.tmpdir = Absolute(argv[first]);
        job.booktitle = argv[first + 1];
        job.datadir = Absolute(argv[first + 3]);
        job.renderer = quill::RendererBelow(quill::ProgramFolder());
        job.chapterTimeout = quill::ChapterTimeoutSetting();
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
