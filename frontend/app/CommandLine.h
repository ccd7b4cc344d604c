#pragma once

#include <string>

#include "assembly/BookBuilder.h"

namespace quill {

// What quillby was asked to do. Read before anything else starts, because a headless
// download needs no window system at all.
struct CommandLine {
    std::string download;                 // --download URL: run one job without a window
    std::string demoUrl;                  // --demo-url URL: the address field starts filled in
    bool autostart = false;               // --autostart: press Download once the window shows
    bool refresh = false;                 // --refresh: fetch every chapter again
    BookFormat format = BookFormat::Pdf;  // --format pdf|epub|both
    bool help = false;
    std::string error;  // a usage mistake, when not empty
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text printed for --help and after a usage mistake.
const char* UsageText();

}  // namespace quill
