#pragma once

#include <string>
#include <vector>

#include "bookjob/BookJob.h"

namespace quill {

// What quillby was asked to do. Read with getopt_long before anything else starts, because
// a headless download needs no window system and no Qt at all.
struct CommandLine {
    bool download = false;                // --download: run jobs without a window
    std::vector<std::string> addresses;   // the story addresses to download, in order
    bool updateAll = false;               // --update-all: check every story of the library
    bool list = false;                    // --list: print the library
    bool json = false;                    // --json: print it as JSON
    std::string demoUrl;                  // --demo-url URL: the address field starts filled in
    bool autostart = false;               // --autostart: press Download once the window shows
    bool refresh = false;                 // --refresh: fetch every chapter again
    bool noPictures = false;              // --no-pictures: text-only books
    BookFormat format = BookFormat::Pdf;  // --format pdf|epub|both
    // --page, --text, --dark, --ragged, --volume-chapters: the kind of book
    BookChoices choices;
    bool help = false;
    bool version = false;
    std::string error;  // a usage mistake, in one line, when not empty
};

// Options may come in any order and "--" ends them. Unknown options, missing or repeated
// values, extra words, an empty address and options that do not go together are errors.
// With --download every word after the options is an address.
CommandLine ParseCommandLine(int argc, char** argv);

// The usage text printed for --help and after a usage mistake.
std::string UsageText();

// What --version prints: the program's version, then the engines'.
std::string VersionText();

}  // namespace quill
