#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace quill::test {

// A private desktop for one run of "quillby --download": its own home (and so its own
// Documents folder), a stand-in xdg-open first on PATH that records what it is asked to
// open, and the simulator as the story site.
class QuillbyDesk {
  public:
    explicit QuillbyDesk(std::string siteBaseUrl);

    // Runs the program (by default the one in the build tree) on one story address.
    RunResult Download(const std::string& address, const std::string& program = "");

    // The environment entries one run gets on top of the test's.
    std::map<std::string, std::string>& env() { return env_; }

    std::string home() const { return home_.path(); }
    std::string DataDir() const;  // Documents/Inkvale/Quillby Downloader
    std::string WorkDir() const { return DataDir() + "/tmp"; }
    // What xdg-open was asked to open, one entry per call. The program leaves the opener
    // running in the background, so this waits for a first entry, at most `wait`.
    std::vector<std::string> Opened(std::chrono::milliseconds wait) const;
    std::string DebugLog() const;

  private:
    TempDir home_;
    TempDir tools_;
    std::map<std::string, std::string> env_;
};

// The names of the PDF files in a folder, in order.
std::vector<std::string> PdfFiles(const std::string& folder);

// The program's standard output as lines.
std::vector<std::string> Lines(const std::string& text);

std::string QuillbyPath();

// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent);

// Alive and not a zombie.
bool Running(pid_t pid);

// Asks `ready` every 50 ms until it says yes, at most `timeout`; its last answer.
bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout);

}  // namespace quill::test
