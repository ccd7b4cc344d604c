#pragma once

#include <string>

namespace quill {

// What quillby was asked to do. Read before the QApplication exists, because a headless
// download has to choose Qt's platform first.
struct CommandLine {
    std::string download;    // --download URL: run one job without a window
    std::string demoUrl;     // --demo-url URL: the address field starts filled in
    bool autostart = false;  // --autostart: press Download once the window shows
    bool help = false;
    std::string error;  // a usage mistake, when not empty
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text printed for --help and after a usage mistake.
const char* UsageText();

}  // namespace quill
