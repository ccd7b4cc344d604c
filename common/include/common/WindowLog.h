#pragma once

#include <string>

namespace quill {

// The user-facing log the book builder and the completion step report to. The window
// implements it; the command-line tools print to standard output instead.
class IWindowLog {
  public:
    virtual ~IWindowLog() = default;
    // Appends a line.
    virtual void Log(const std::string& text) = 0;
    // Replaces the last line (or adds it when the log is empty).
    virtual void UpdateLog(const std::string& text) = 0;
    // Lets the user interface handle pending events during long work.
    virtual void ProcessMessages() = 0;
};

// A log nobody reads: for work done ahead, whose build reports for itself when it runs.
class SilentWindowLog : public IWindowLog {
  public:
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

}  // namespace quill
