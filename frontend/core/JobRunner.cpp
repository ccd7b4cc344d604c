#include "JobRunner.h"

#include "BookAhead.h"

#include "common/DebugLog.h"
#include "common/Ticket.h"
#include "core/Completion.h"
#include "core/StoryLibrary.h"
#include "platform/ChildProcess.h"
#include "platform/SystemError.h"

namespace quill {

namespace {

constexpr int kWaitSliceMs = 300;
// How often the run log is looked at while the downloader runs.
constexpr std::chrono::milliseconds kMirrorInterval{2000};
// How long the downloader gets to end on its own once asked to stop.
constexpr int kStopGraceMs = 2000;

}  // namespace

TPyThread::TPyThread(const JobSetup& setup, const JobRequest& request, IJobObserver& observer,
                     platform::FileLock lock)
    : setup_(setup),
      request_(request),
      log_(observer, setup.folders.logfile, setup.folders.tmpdir),
      lock_(std::move(lock)) {}

TPyThread::~TPyThread() {
    RequestStop();
    Join();
}

void TPyThread::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void TPyThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TPyThread::Execute() {
    if (!setup_.folders.storeProblem.empty()) {
        log_.Log(setup_.folders.storeProblem);
    }
    LibraryRecorder library(setup_, request_, log_);
    library.JobStarting();
    const auto stopping = [this] { return stop_.load(); };
    BookAhead ahead(
        setup_.folders.logfile, setup_.folders.tmpdir,
        [this, stopping](const BookInfo& info) {
            return BookJobAhead(setup_, request_, info, stopping);
        },
        stopping);
    ahead.Start();
    StartDownloader();
    DownloaderEnd end;
    end.started = status != kStartFailed;
    end.startError = resultstr;
    end.exitCode = exitCode;
    end.termSignal = termSignal;
    end.stopped = status == kStopped;
    if (status == kWaitFailed) {
        end.exitCode = -1;
    }
    log_.MirrorRunLog(true);
    // The pages being rendered and the book being made ahead are what comes next anyway.
    ahead.DownloaderEnded();
    JobResult result;
    try {
        result = DownloadFinished(
            setup_, request_, end, log_, stopping,
            [this](const BuildEvent& event) { log_.OnBuildEvent(event); }, &ahead);
    } catch (const std::exception& failure) {
        log_.Log(failure.what());
        result.message = failure.what();
    }
    log_.EndProgress();
    library.JobEnded(result);
    lock_.Unlock();
    finished_ = true;
    log_.observer().Finished(result);
}

void TPyThread::StartDownloader() {
    JobTicket ticket;
    ticket.url = request_.url;
    ticket.dir = setup_.folders.tmpdir;
    ticket.store = setup_.folders.store;
    ticket.refresh = request_.refresh;
    ticket.pictures = request_.pictures;
    const std::string argument = EncodeTicket(ticket);
    DebugLog(setup_.launcher + " " + argument);
    ExecAndWait(setup_.launcher, argument);
}

void TPyThread::ExecAndWait(const std::string& program, const std::string& argument) {
    platform::ChildProcess process;
    if (!process.Start(program, {argument})) {
        resultstr = platform::SystemErrorText(process.ErrorCode());
        status = kStartFailed;
        DebugLog("cannot start " + program + ": " + resultstr);
        return;
    }
    auto lastMirror = std::chrono::steady_clock::now();
    for (;;) {
        const auto result = process.Wait(kWaitSliceMs);
        if (result == platform::ChildProcess::WaitResult::Exited) {
            break;
        }
        if (result == platform::ChildProcess::WaitResult::Failed) {
            // Waiting again would fail again; stop it and judge what it left.
            resultstr = platform::SystemErrorText(process.ErrorCode());
            status = kWaitFailed;
            DebugLog("wait failed: " + resultstr);
            process.Stop(kStopGraceMs);
            return;
        }
        if (stop_) {
            process.Stop(kStopGraceMs);
            status = kStopped;
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        const bool mirror = now - lastMirror >= kMirrorInterval;
        if (mirror) {
            lastMirror = now;
        }
        Tick(now, mirror);
    }
    exitCode = process.ExitCode();
    termSignal = process.TermSignal();
    status = kEnded;
    DebugLog("done");
    DebugLog("the downloader has ended");
}

void TPyThread::Tick(std::chrono::steady_clock::time_point now, bool mirror) {
    if (mirror) {
        log_.MirrorRunLog(false);
    }
    log_.UpdateProgress(now);
}

}  // namespace quill
