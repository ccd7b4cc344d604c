#include "CommandLine.h"

namespace quill {

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
           "       quillby --download URL\n"
           "  --download URL  download the story at URL into a PDF book without showing\n"
           "                  the window; prints the log and, last, the book's path\n"
           "  --demo-url URL  open the window with URL in the address field\n"
           "  --autostart     press Download as soon as the window shows\n";
}

}  // namespace quill
