// quillbook [--format pdf|epub|both] [--render-cache FOLDER] [--page P] [--text S] [--dark]
//           [--ragged] [--volume-chapters N] [--language TAG] WORKFOLDER TITLE LASTCHAPTER
//           DATAFOLDER [AUTHOR [STORYURL]]
//
// Builds the book from a work folder that already holds its 0.html .. N.html, the way the
// window does after a download: progress lines on standard output, the path of each book
// made as the last lines (the PDF's, then the EPUB's); on failure the error's message on
// standard error and a non-zero exit. Pages are rendered by bin/quillrender below this
// program's folder, one worker per processor side by side (QUILLBY_RENDER_WORKERS bounds
// them), each page within QUILLBY_RENDER_TIMEOUT_MS (60 s); with --render-cache,
// rendered pages are kept in FOLDER and reused by later builds. The author and the story's
// address go into the book's information; a book with an address replaces only a book of
// the same story, and only when it holds every chapter that book holds: otherwise the
// earlier book stays, the message says why, and the exit status is 3. The book's choices
// (page, text size, dark pages, ragged text, volumes) are read as quillby reads them; the
// story's language (--language) decides how its words are hyphenated.

#include <getopt.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "ConsoleLog.h"
#include "assembly/BookBuilder.h"
#include "assembly/EngineVersions.h"
#include "bookjob/BookChoiceOptions.h"
#include "bookjob/BookFormatName.h"
#include "common/OptionName.h"
#include "common/Text.h"
#include "platform/UserFolders.h"
#include "render/RenderSettings.h"
#include "wkhtmltox/WkHtmlToXCore.h"

#ifndef QUILLBY_VERSION
#error "the build passes the program's version as QUILLBY_VERSION"
#endif

namespace {

constexpr int kUsageError = 2;
constexpr int kBuildError = 1;
constexpr int kBookKept = 3;
constexpr const char* kUsageHead =
    "Usage: quillbook [--format pdf|epub|both] [--render-cache FOLDER] [--page P] [--text S]\n"
    "                 [--dark] [--ragged] [--volume-chapters N] [--language TAG] [--]\n"
    "                 WORKFOLDER TITLE LASTCHAPTER DATAFOLDER [AUTHOR [STORYURL]]\n"
    "       quillbook --help | --version\n"
    "Builds the book from WORKFOLDER's 0.html .. LASTCHAPTER.html into DATAFOLDER and prints\n"
    "the path of each book made last.\n";
constexpr const char* kUsageTail =
    "  --language TAG  the story's language (\"en-GB\"), whose words are hyphenated\n"
    "Exit status: 0 a book was made, 1 it could not be made, 2 a usage mistake.\n";

std::string Usage() {
    return std::string(kUsageHead) + quill::ChoiceOptionsUsage() + kUsageTail;
}

bool ParseChapter(const std::string& text, int& value) {
    const std::optional<long long> parsed = quill::ParseInteger(text);
    if (!parsed || *parsed < INT32_MIN || *parsed > INT32_MAX) {
        return false;
    }
    value = static_cast<int>(*parsed);
    return true;
}

// The engine reads pages by absolute file address.
std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::u8path(path)).u8string();
}

struct Arguments {
    std::vector<std::string> positional;
    bool help = false;
    bool version = false;
    std::string error;  // a usage mistake, in one line
};

enum Option {
    kFormat = 256,
    kRenderCache,
    kLanguage,
    kPage,
    kText,
    kDark,
    kRagged,
    kVolumeChapters
};

const option kOptions[] = {
    {"format", required_argument, nullptr, kFormat},
    {"render-cache", required_argument, nullptr, kRenderCache},
    {"language", required_argument, nullptr, kLanguage},
    {"page", required_argument, nullptr, kPage},
    {"text", required_argument, nullptr, kText},
    {"dark", no_argument, nullptr, kDark},
    {"ragged", no_argument, nullptr, kRagged},
    {"volume-chapters", required_argument, nullptr, kVolumeChapters},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string NameOf(int option) {
    return quill::OptionName(kOptions, option);
}

// Options anywhere (getopt_long moves the other words behind them), "--" ends them;
// then WORKFOLDER TITLE LASTCHAPTER DATAFOLDER and the optional AUTHOR and STORYURL.
Arguments ParseArguments(int argc, char** argv, quill::BookJob& job) {
    Arguments args;
    std::vector<int> seen;
    opterr = 0;  // our own messages
    for (int c; (c = getopt_long(argc, argv, ":hV", kOptions, nullptr)) != -1;) {
        const bool valueIsNextWord = optarg != nullptr && optarg == argv[optind - 1];
        if (c == '?') {
            args.error =
                "unknown option " + (optopt != 0 ? NameOf(optopt) : std::string(argv[optind - 1]));
        } else if (c == ':' || (valueIsNextWord && optarg[0] == '-')) {
            args.error = NameOf(c == ':' ? optopt : c) + " needs a value";
        } else if (optarg != nullptr && std::find(seen.begin(), seen.end(), c) != seen.end()) {
            args.error = NameOf(c) + " is given twice";
        } else if (c == kFormat) {
            if (const std::optional<quill::BookFormat> format = quill::BookFormatNamed(optarg)) {
                job.format = *format;
            } else {
                args.error =
                    "--format needs pdf, epub or both, not \"" + std::string(optarg) + "\"";
            }
        } else if (c == kRenderCache) {
            job.renderCache = Absolute(optarg);
        } else if (c == kLanguage) {
            job.booklanguage = optarg;
        } else if (c >= kPage && c <= kVolumeChapters) {
            args.error = quill::ApplyChoiceOption(NameOf(c).substr(2), optarg, job.choices);
        } else if (c == 'h') {
            args.help = true;
        } else if (c == 'V') {
            args.version = true;
        }
        if (!args.error.empty()) {
            return args;
        }
        seen.push_back(c);
    }
    args.positional.assign(argv + optind, argv + argc);
    if (args.help || args.version) {
        return args;
    }
    const size_t count = args.positional.size();
    if (count < 4) {
        args.error = "WORKFOLDER, TITLE, LASTCHAPTER and DATAFOLDER are needed";
    } else if (count > 6) {
        args.error = "unexpected argument \"" + args.positional[6] + "\"";
    } else if (!ParseChapter(args.positional[2], job.lastchapter)) {
        args.error = "LASTCHAPTER needs a whole number, not \"" + args.positional[2] + "\"";
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    quill::BookJob job;
    const Arguments parsed = ParseArguments(argc, argv, job);
    if (!parsed.error.empty()) {
        std::cerr << "quillbook: " << parsed.error << "\n" << Usage();
        return kUsageError;
    }
    if (parsed.help) {
        std::cout << Usage();
        return EXIT_SUCCESS;
    }
    if (parsed.version) {
        std::cout << "quillbook (Quillby Downloader) " QUILLBY_VERSION "\n"
                  << quill::EngineVersions();
        quill::FinalizeWkHtmlToX();
        return EXIT_SUCCESS;
    }
    const std::vector<std::string>& args = parsed.positional;
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
        job.renderWorkers = quill::RenderWorkersSetting();
        quill::ConsoleLog log(std::cout);
        quill::BuildBook(job, log);
        for (const quill::KeptBook& kept : job.kept) {
            std::cout << quill::KeptBookMessage(kept) << std::endl;
            status = kBookKept;
        }
        for (const quill::SavedBook& book : job.saved) {
            std::cout << book.path << std::endl;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        status = kBuildError;
    }
    quill::FinalizeWkHtmlToX();
    return status;
}
