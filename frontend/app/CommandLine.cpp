#include "CommandLine.h"

#include <getopt.h>

#include <set>

#include "assembly/BookFormatName.h"
#include "assembly/EngineVersions.h"

#ifndef QUILLBY_VERSION
#error "the build passes the program's version as QUILLBY_VERSION"
#endif

namespace quill {

namespace {

enum Option { kDownload = 256, kFormat, kRefresh, kDemoUrl, kAutostart };

const option kOptions[] = {
    {"download", optional_argument, nullptr, kDownload},
    {"format", required_argument, nullptr, kFormat},
    {"refresh", no_argument, nullptr, kRefresh},
    {"demo-url", required_argument, nullptr, kDemoUrl},
    {"autostart", no_argument, nullptr, kAutostart},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

std::string NameOf(int option) {
    for (const struct option& entry : kOptions) {
        if (entry.val == option && entry.name != nullptr) {
            return std::string("--") + entry.name;
        }
    }
    return std::string("-") + static_cast<char>(option);
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

// Checks what the options say as a whole; empty when it makes sense.
std::string Conflicts(const CommandLine& cmd, const std::set<int>& seen, bool addressGiven) {
    if (cmd.download) {
        if (seen.count(kDemoUrl) || seen.count(kAutostart)) {
            return "--demo-url and --autostart are for the window, not for --download";
        }
        if (!addressGiven) {
            return "--download needs a story address";
        }
        if (IsBlank(cmd.address)) {
            return "the story address is empty";
        }
    } else if (seen.count(kFormat) || seen.count(kRefresh)) {
        return "--format and --refresh go with --download";
    }
    return "";
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine cmd;
    std::set<int> seen;
    bool addressGiven = false;
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
                    cmd.address = optarg;
                    addressGiven = true;
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
        if (!cmd.download || addressGiven) {
            return fail("unexpected argument \"" + std::string(argv[i]) + "\"");
        }
        cmd.address = argv[i];
        addressGiven = true;
    }
    if (cmd.help || cmd.version) {
        return cmd;
    }
    if (const std::string conflict = Conflicts(cmd, seen, addressGiven); !conflict.empty()) {
        return fail(conflict);
    }
    return cmd;
}

const char* UsageText() {
    return "Usage: quillby [--demo-url URL [--autostart]]\n"
           "       quillby --download [--format pdf|epub|both] [--refresh] [--] URL\n"
           "       quillby --help | --version\n"
           "  --download      download the story at URL into a book without showing the\n"
           "                  window; prints the log and, last, the book's path\n"
           "  --format F      pdf (the default), epub, or both (the PDF is the one opened)\n"
           "  --refresh       fetch every chapter again instead of using the kept copies\n"
           "  --demo-url URL  open the window with URL in the address field\n"
           "  --autostart     press Download as soon as the window shows\n"
           "  --help          show this text; --version shows the program's and engines'\n"
           "Exit status: 0 a complete book; 1 no book was made; 2 a usage mistake or an\n"
           "address that is not a story's; 3 a book with chapters missing; 4 another\n"
           "download is running.\n";
}

std::string VersionText() {
    return "quillby (Quillby Downloader) " QUILLBY_VERSION "\n" + EngineVersions();
}

}  // namespace quill
