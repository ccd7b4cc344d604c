#include "CommandLine.h"

namespace quill {

namespace {

bool ParseFormat(const std::string& text, BookFormat& format) {
    if (text == "pdf") {
        format = BookFormat::Pdf;
    } else if (text == "epub") {
        format = BookFormat::Epub;
    } else if (text == "both") {
        format = BookFormat::PdfAndEpub;
    } else {
        return false;
    }
    return true;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine cmd;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--download" || arg == "--demo-url") {
            if (!hasValue) {
                cmd.error = arg + " needs a story address";
                return cmd;
            }
            (arg == "--download" ? cmd.download : cmd.demoUrl) = argv[++i];
        } else if (arg == "--format") {
            if (!hasValue || !ParseFormat(argv[i + 1], cmd.format)) {
                cmd.error = "--format needs pdf, epub or both";
                return cmd;
            }
            ++i;
        } else if (arg == "--refresh") {
            cmd.refresh = true;
        } else if (arg == "--autostart") {
            cmd.autostart = true;
        } else if (arg == "--help" || arg == "-h") {
            cmd.help = true;
        }
        // Anything else is left to Qt (-platform, -style, ...).
    }
    return cmd;
}

const char* UsageText() {
    return "Usage: quillby [--demo-url URL [--autostart]]\n"
           "       quillby --download URL [--format pdf|epub|both] [--refresh]\n"
           "  --download URL  download the story at URL into a book without showing the\n"
           "                  window; prints the log and, last, the book's path. Exits 0\n"
           "                  for a complete book, 3 when chapters are missing from it, 1\n"
           "                  when no book was made, 4 when another download is running\n"
           "  --format F      pdf (the default), epub, or both (the PDF is the one opened)\n"
           "  --refresh       fetch every chapter again instead of using the kept copies\n"
           "  --demo-url URL  open the window with URL in the address field\n"
           "  --autostart     press Download as soon as the window shows\n";
}

}  // namespace quill
