#pragma once

#include <ostream>

#include "common/WindowLog.h"

namespace quill {

// The window log of a command-line run: every line, appended or replaced, is printed as
// it comes, so a script sees the build's progress in order.
class ConsoleLog : public IWindowLog {
  public:
    explicit ConsoleLog(std::ostream& out) : out_(out) {}
    void Log(const std::string& text) override;
    void UpdateLog(const std::string& text) override;
    void ProcessMessages() override {}

  private:
    std::ostream& out_;
};

}  // namespace quill
