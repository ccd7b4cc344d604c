#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "common/WindowLog.h"
#include "page/RenderProtocol.h"
#include "platform/ChildProcess.h"

namespace quill {

struct RenderOutcome {
    enum class Status {
        Done,      // the PDF is written
        Failed,    // the worker could not render this page (kind and message say why)
        TimedOut,  // the bound ran out; the worker was stopped
        Ended,     // the worker died while rendering (message says how)
    };
    Status status = Status::Done;
    std::string kind;
    std::string message;
};

// The render worker program, started when first needed and kept across pages, so that the
// engine starts once per build. An engine stuck inside a conversion cannot be interrupted
// in its own process; here a page that takes too long, or crashes the engine, costs only
// that page: the worker's process group is stopped and the next page gets a fresh worker.
class RenderWorker {
  public:
    // program: the worker's path; library: the engine's file name for it to load. While it
    // waits, the log's pending events are processed, and cancelled (if set) is asked.
    RenderWorker(std::string program, std::string library, IWindowLog& log,
                 std::function<bool()> cancelled);
    ~RenderWorker();
    RenderWorker(const RenderWorker&) = delete;
    RenderWorker& operator=(const RenderWorker&) = delete;

    // Starts a worker, when none runs, without waiting for it: its engine starts while the
    // caller does other work. The worker may turn out not to be needed, so a failure is left
    // for the first page that needs it to report.
    void LaunchEarly();

    // Hands one page over to render within bound, starting a worker if none runs; Collect
    // waits for its outcome, so that the caller can do other work meanwhile. One page at a
    // time. Both throw when the worker cannot be started, when its engine cannot
    // (EWkHtmlToXError), when a file cannot be written (the build cannot go on without its
    // files), and EBuildCancelled when the build is cancelled meanwhile.
    void Submit(const render::Request& request, std::chrono::milliseconds bound);
    RenderOutcome Collect();
    bool Pending() const { return pending_; }

  private:
    using Clock = std::chrono::steady_clock;
    enum class Read { Line, TimedOut, Ended };

    // Starts a worker when none runs, without waiting for it; throws when it cannot.
    void Launch();
    void AwaitReady();
    Read ReadLine(Clock::time_point deadline, std::string& line);
    bool Send(const std::string& line);
    std::string HowItEnded();
    void Stop();

    std::string program_;
    std::string library_;
    IWindowLog& log_;
    std::function<bool()> cancelled_;
    platform::ChildProcess process_;
    std::string buffer_;
    bool ready_ = false;
    Clock::time_point launchedAt_;
    Clock::time_point readyAt_;
    bool pending_ = false;
    bool sent_ = false;
    Clock::time_point submittedAt_;
    std::chrono::milliseconds bound_{0};
};

// Shown when a page is left out: "took longer than 60 s", "1.5 s", "500 ms".
std::string DescribeBound(std::chrono::milliseconds bound);

}  // namespace quill
