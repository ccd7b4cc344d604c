#include "CommandLine.h"

#include <getopt.h>

#include <set>

#include "assembly/EngineVersions.h"
#include "bookjob/BookChoiceOptions.h"
#include "bookjob/BookFormatName.h"
#include "common/OptionName.h"

#ifndef QUILLBY_VERSION
#error "the build passes the program's version as QUILLBY_VERSION"
#endif

namespace quill {

namespace {

enum Option {
    kDownload = 256,
    kFormat,
    kRefresh,
    kDemoUrl,
    kAutostart,
    kUpdateAll,
    kList,
    kJson,
    kPage,
    kText,
    kDark,
    kRagged,
    kVolumeChapters,
    kNoPictures
};

const option kOptions[] = {
    {"download", optional_argument, nullptr, kDownload},
    {"format", required_argument, nullptr, kFormat},
    {"refresh", no_argument, nullptr, kRefresh},
    {"demo-url", required_argument, nullptr, kDemoUrl},
    {"autostart", no_argument, nullptr, kAutostart},
    {"update-all", no_argument, nullptr, kUpdateAll},
    {"list", no_argument, nullptr, kList},
    {"json", no_argument, nullptr, kJson},
    {"page", required_argument, nullptr, kPage},
    {"text", required_argument, nullptr, kText},
    {"dark", no_argument, nullptr, kDark},
    {"ragged", no_argument, nullptr, kRagged},
    {"volume-chapters", required_argument, nullptr, kVolumeChapters},
    {"no-pictures", no_argument, nullptr, kNoPictures},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string NameOf(int option) {
    return OptionName(kOptions, option);
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

// The headless mode asked for, by its option's name; empty for the window.
std::string ModeOf(const CommandLine& cmd) {
    return cmd.download ? "--download" : cmd.updateAll ? "--update-all" : cmd.list ? "--list" : "";
}

// Checks what the options say as a whole; empty when it makes sense.
std::string Conflicts(const CommandLine& cmd, const std::set<int>& seen) {
    if (cmd.download + cmd.updateAll + cmd.list > 1) {
        return "--download, --update-all and --list go one at a time";
    }
    const std::string mode = ModeOf(cmd);
    if (!mode.empty() && (seen.count(kDemoUrl) || seen.count(kAutostart))) {
        return "--demo-url and --autostart are for the window, not for " + mode;
    }
    if (!cmd.download && (seen.count(kFormat) || seen.count(kRefresh))) {
        return "--format and --refresh go with --download";
    }
    // An update makes the kind of book the library remembers for each story.
    for (const int choice : {kPage, kText, kDark, kRagged, kVolumeChapters}) {
        if (!cmd.download && seen.count(choice)) {
            return NameOf(choice) + " goes with --download";
        }
    }
    if (!cmd.list && cmd.json) {
        return "--json goes with --list";
    }
    if (!cmd.download && !cmd.updateAll && cmd.noPictures) {
        return "--no-pictures goes with --download or --update-all";
    }
    if (cmd.download) {
        if (cmd.addresses.empty()) {
            return "--download needs a story address";
        }
        for (const std::string& address : cmd.addresses) {
            if (IsBlank(address)) {
                return "the story address is empty";
            }
        }
    }
    return "";
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine cmd;
    std::set<int> seen;
    const auto fail = [&](const std::string& message) {
        cmd.error = message;
        return cmd;
    };
    opterr = 0;  // our own messages
    optind = 0;  // a fresh scan, also when called twice
    for (int c; (c = getopt_long(argc, argv, ":hV", kOptions, nullptr)) != -1;) {
        if (c == '?') {
            return fail("unknown option " +
                        (optopt != 0 ? NameOf(optopt) : std::string(argv[optind - 1])));
        }
        if (c == ':') {
            return fail(NameOf(optopt) + " needs a value");
        }
        // A value that is the next word yet looks like an option is a missing value:
        // "--format --refresh" must not read "--refresh" as the format.
        if (optarg != nullptr && optarg == argv[optind - 1] && optarg[0] == '-') {
            return fail(NameOf(c) + " needs a value");
        }
        if (!seen.insert(c).second && optarg != nullptr) {
            return fail(NameOf(c) + " is given twice");
        }
        switch (c) {
            case kDownload:
                cmd.download = true;
                if (optarg != nullptr) {  // --download=URL
                    cmd.addresses.push_back(optarg);
                }
                break;
            case kFormat:
                if (const std::optional<BookFormat> format = BookFormatNamed(optarg)) {
                    cmd.format = *format;
                } else {
                    return fail("--format needs pdf, epub or both, not \"" + std::string(optarg) +
                                "\"");
                }
                break;
            case kRefresh:
                cmd.refresh = true;
                break;
            case kDemoUrl:
                cmd.demoUrl = optarg;
                break;
            case kAutostart:
                cmd.autostart = true;
                break;
            case kUpdateAll:
                cmd.updateAll = true;
                break;
            case kList:
                cmd.list = true;
                break;
            case kJson:
                cmd.json = true;
                break;
            case kPage:
            case kText:
            case kDark:
            case kRagged:
            case kVolumeChapters:
                if (const std::string mistake =
                        ApplyChoiceOption(NameOf(c).substr(2), optarg, cmd.choices);
                    !mistake.empty()) {
                    return fail(mistake);
                }
                break;
            case kNoPictures:
                cmd.noPictures = true;
                break;
            case 'h':
                cmd.help = true;
                break;
            case 'V':
                cmd.version = true;
                break;
            default:
                return fail("unknown option " + NameOf(c));
        }
    }
    for (int i = optind; i < argc; ++i) {
        if (!cmd.download) {
            return fail("unexpected argument \"" + std::string(argv[i]) + "\"");
        }
        cmd.addresses.push_back(argv[i]);
    }
    if (cmd.help || cmd.version) {
        return cmd;
    }
    if (const std::string conflict = Conflicts(cmd, seen); !conflict.empty()) {
        return fail(conflict);
    }
    return cmd;
}

std::string UsageText() {
    return std::string(
               "Usage: quillby [--demo-url URL [--autostart]]\n"
               "       quillby --download [--format pdf|epub|both] [--refresh] [--no-pictures]\n"
               "                          [--page P] [--text S] [--dark] [--ragged]\n"
               "                          [--volume-chapters N] [--] URL [URL...]\n"
               "       quillby --update-all [--no-pictures]\n"
               "       quillby --list [--json]\n"
               "       quillby --help | --version\n"
               "  --download      download the stories at the URLs into books without showing\n"
               "                  the window, one after another; prints the log and each book's\n"
               "                  path, and with several stories a summary last\n"
               "  --format F      pdf (the default), epub, or both (the PDF is the one opened)\n"
               "  --refresh       fetch every chapter again instead of using the kept copies\n"
               "  --no-pictures   text-only books: the chapters' pictures are not fetched\n") +
           ChoiceOptionsUsage() +
           "  --update-all    check every story of the library for new chapters and bring\n"
           "                  its books up to date, each of the kind last made of it; ends with\n"
           "                  a summary of what changed\n"
           "  --list          print the library, one story a line, its fields separated by\n"
           "                  tabs; with --json as JSON\n"
           "  --demo-url URL  open the window with URL in the address field\n"
           "  --autostart     press Download as soon as the window shows\n"
           "  --help          show this text; --version shows the program's and engines'\n"
           "Exit status: 0 every story is complete; 1 a story failed, or no book was made;\n"
           "2 a usage mistake or an address that is not a story's; 3 a book lacks chapters;\n"
           "4 another download is running.\n";
}

std::string VersionText() {
    return "quillby (Quillby Downloader) " QUILLBY_VERSION "\n" + EngineVersions();
}

}  // namespace quill
