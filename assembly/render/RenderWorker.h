#pragma once

#include <chrono>
#include <optional>
#include <string>

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
// Nothing here waits for the worker: its owner waits on ReplyFd() until Deadline(), so that
// it can look after several workers, and asks Poll().
class RenderWorker {
  public:
    using Clock = std::chrono::steady_clock;

    // program: the worker's path; library: the engine's file name for it to load; niceness:
    // added to the worker's nice value (background work yields the processors).
    RenderWorker(std::string program, std::string library, int niceness = 0);
    ~RenderWorker();
    RenderWorker(const RenderWorker&) = delete;
    RenderWorker& operator=(const RenderWorker&) = delete;

    // Starts a worker, when none runs, without waiting for it: its engine starts while the
    // caller does other work. The worker may turn out not to be needed, so a failure is left
    // for the first page that needs it to report.
    void LaunchEarly();

    // Hands one page over to render within bound, starting a worker if none runs. One page
    // at a time. Throws when the worker cannot be started, or when its engine cannot
    // (EWkHtmlToXError).
    void Submit(const render::Request& request, std::chrono::milliseconds bound);
    bool Pending() const { return pending_; }

    // The page's outcome once it is known, reading what the worker has answered so far
    // without waiting. Throws when the worker did not start, when its engine cannot
    // (EWkHtmlToXError), and when a file cannot be written (the build cannot go on without
    // its files).
    std::optional<RenderOutcome> Poll();
    // Where the answer comes (-1 without a worker), and when Poll() must be asked at the
    // latest: the page's bound, or the worker's start's.
    int ReplyFd() const { return process_.Running() ? process_.OutputFd() : -1; }
    Clock::time_point Deadline() const;
    // The worker's process, 0 when none runs.
    int Pid() const { return process_.Running() ? process_.Pid() : 0; }

  private:
    enum class Read { Line, Nothing, Ended };

    // Starts a worker when none runs, without waiting for it; throws when it cannot.
    void Launch();
    // Takes the worker's first line; throws when it is not "ready".
    void TakeReady(const std::string& line);
    Read ReadLine(std::string& line, bool wait);
    RenderOutcome Reply(const std::string& line);
    bool Send(const std::string& line);
    std::string HowItEnded();
    void Stop();

    std::string program_;
    std::string library_;
    int niceness_;
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
