#pragma once

#include "bookjob/BuildEvents.h"
#include "common/WindowLog.h"

namespace quill {

// Where the stages of a build report: each event goes to the job's callback, and its line
// (if it has one) to the window's log. A progress line replaces the line before it when that
// was a stage's heading or the previous progress line; a line about one page (left out,
// rendered again) stays in view, and the next progress line comes below it.
class BuildReport {
  public:
    BuildReport(IWindowLog& log, BuildProgress progress);

    void Report(const BuildEvent& event);

    // The window's pending events are handled during long work.
    void ProcessMessages() { log_.ProcessMessages(); }
    IWindowLog& Window() { return log_; }

  private:
    IWindowLog& log_;
    BuildProgress progress_;
    bool replaceable_ = false;  // the last line is one the next progress line replaces
};

}  // namespace quill
