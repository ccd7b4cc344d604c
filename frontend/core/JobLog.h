#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "bookjob/BuildEvents.h"
#include "common/WindowLog.h"
#include "core/Job.h"
#include "core/Progress.h"
#include "core/RunLog.h"

namespace quill {

// The job's side of the window's log: mirrors the downloader's run log, takes the book
// build's lines and events, keeps the progress model up to date from the run log and the
// events, and hands everything to the observer. Used on the job's thread only.
class JobLog : public IWindowLog {
  public:
    JobLog(IJobObserver& observer, const std::string& logfile, const std::string& tmpdir);

    void Log(const std::string& text) override;
    void UpdateLog(const std::string& text) override;
    void ProcessMessages() override {}
    // What the book build does: how far it is shows in the progress.
    void OnBuildEvent(const BuildEvent& event);

    // Adds the run log's new lines; `final` once the downloader has ended. False when the
    // run log does not exist.
    bool MirrorRunLog(bool final);
    // Looks for the chapter file being fetched and tells the observer when the progress
    // shown would change.
    void UpdateProgress(std::chrono::steady_clock::time_point now);
    void EndProgress();

    IJobObserver& observer() { return observer_; }

  private:
    void Feed(const std::string& line);

    IJobObserver& observer_;
    std::string tmpdir_;
    RunLogTail tail_;
    ProgressModel progress_;
    ProgressState shown_;
};

}  // namespace quill
