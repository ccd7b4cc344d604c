// quillbook [--format pdf|epub|both] [--render-cache FOLDER] WORKFOLDER TITLE LASTCHAPTER
//           DATAFOLDER [AUTHOR [STORYURL]]
//
// Builds the book from a work folder that already holds its 0.html .. N.html, the way the
// window does after a download: progress lines on standard output, the path of each book
// made as the last lines (the PDF's, then the EPUB's); on failure the error's message on
// standard error and a non-zero exit. Pages are rendered by bin/quillrender below this
// program's folder, each within QUILLBY_RENDER_TIMEOUT_MS (60 s); with --render-cache,
// rendered pages are kept in FOLDER and reused by later builds. The author and the story's
// address go into the book's information; a book with an address replaces only a book of
// the same story, and only when it holds every chapter that book holds: otherwise the
// earlier book stays, the message says why, and the exit status is 3.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "ConsoleLog.h"
#include "assembly/BookBuilder.h"
#include "assembly/RenderSettings.h"
#include "assembly/WkHtmlToXCore.h"
#include "platform/UserFolders.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kBuildError = 1;
constexpr int kBookKept = 3;
constexpr const char* kUsage =
    "usage: quillbook [--format pdf|epub|both] [--render-cache FOLDER] WORKFOLDER TITLE "
    "LASTCHAPTER DATAFOLDER [AUTHOR [STORYURL]]";

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

bool ParseFormat(const std::string& text, quill::BookFormat& format) {
    if (text == "pdf") {
        format = quill::BookFormat::Pdf;
    } else if (text == "epub") {
        format = quill::BookFormat::Epub;
    } else if (text == "both") {
        format = quill::BookFormat::PdfAndEpub;
    } else {
        return false;
    }
    return true;
}

// The engine reads pages by absolute file address.
std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::u8path(path)).u8string();
}

// Options first (or anywhere before "--"), then WORKFOLDER TITLE LASTCHAPTER DATAFOLDER and
// the optional AUTHOR and STORYURL.
bool ParseArguments(int argc, char** argv, quill::BookJob& job,
                    std::vector<std::string>& positional) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg == "--format" && i + 1 < argc) {
            if (!ParseFormat(argv[++i], job.format)) {
                return false;
            }
        } else if (arg.rfind("--format=", 0) == 0) {
            if (!ParseFormat(arg.substr(9), job.format)) {
                return false;
            }
        } else if (arg == "--render-cache" && i + 1 < argc) {
            job.renderCache = Absolute(argv[++i]);
        } else {
            return false;
        }
    }
    return positional.size() >= 4 && positional.size() <= 6 &&
           ParseChapter(positional[2].c_str(), job.lastchapter);
}

}  // namespace

int main(int argc, char** argv) {
    quill::BookJob job;
    std::vector<std::string> args;
    if (!ParseArguments(argc, argv, job, args)) {
        std::cerr << kUsage << std::endl;
        return kUsageError;
    }
    // Past a file-size limit a write then fails as a write, and the build removes its
    // half-written files, instead of the process dying and leaving them behind.
    std::signal(SIGXFSZ, SIG_IGN);
    int status = EXIT_SUCCESS;
    try {
        job.tmpdir = Absolute(args[0]);
        job.booktitle = args[1];
        job.datadir = Absolute(args[3]);
        job.bookauthor = args.size() > 4 ? args[4] : "";
        job.storyurl = args.size() > 5 ? args[5] : "";
        job.renderer = quill::RendererBelow(platform::ProgramFolder());
        job.chapterTimeout = quill::ChapterTimeoutSetting();
        quill::ConsoleLog log(std::cout);
        quill::BuildBook(job, log);
        for (const quill::KeptBook& kept : job.kept) {
            std::cout << quill::KeptBookMessage(kept) << std::endl;
            status = kBookKept;
        }
        for (const std::string& book : {job.bookfile, job.epubfile}) {
            if (!book.empty()) {
                std::cout << book << std::endl;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        status = kBuildError;
    }
    quill::FinalizeWkHtmlToX();
    return status;
}
