#include "HeadlessRun.h"

#include <cstdio>
#include <mutex>

#include "core/Job.h"
#include "platform/StopSignals.h"
#include "platform/Terminal.h"

namespace quill {

namespace {

// Prints a job's reports. On a terminal the progress is one line under the log that
// rewrites itself; elsewhere (a pipe, a file) only the log lines are written.
class TerminalObserver : public IJobObserver {
  public:
    TerminalObserver(platform::StopSignals& signals, bool terminal)
        : signals_(signals), terminal_(terminal) {}

    void LogAppended(const std::string& line) override { Print(line); }
    void LogReplaced(const std::string& line) override { Print(line); }
    void LogCleared() override {}
    void ProgressChanged(const ProgressState& state) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (terminal_) {
            status_ = state.phase == ProgressState::Phase::Ended
                          ? ""
                          : ProgressLine(state, platform::TerminalColumns(1) - 1);
            Redraw();
        }
    }
    void Finished(const JobResult& result) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            result_ = result;
        }
        signals_.Notify();
    }

    JobResult Result() {
        std::lock_guard<std::mutex> guard(lock_);
        return result_;
    }
    // Callable from any thread: the job's and, once, the main thread.
    void Print(const std::string& line) {
        std::lock_guard<std::mutex> guard(lock_);
        if (terminal_) {
            std::fputs("\r\x1b[K", stdout);
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        Redraw();
    }

  private:
    void Redraw() {  // under lock_
        if (terminal_) {
            std::fputs("\r\x1b[K", stdout);
            std::fputs(status_.c_str(), stdout);
        }
        std::fflush(stdout);
    }

    platform::StopSignals& signals_;
    const bool terminal_;
    std::string status_;
    std::mutex lock_;
    JobResult result_;
};

std::string Trimmed(const std::string& text) {
    constexpr char kBlanks[] = " \t\r\n\f\v";
    const size_t begin = text.find_first_not_of(kBlanks);
    return begin == std::string::npos
               ? ""
               : text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

}  // namespace

int RunHeadless(const CommandLine& cmd, const std::string& programFolder, bool openBook) {
    platform::StopSignals signals;  // before the job's thread exists
    TerminalObserver observer(signals, platform::IsTerminal(1));
    JobSetup setup;
    try {
        setup = MakeJobSetup(PrepareFolders(kProductTitle), programFolder);
    } catch (const EDataFolderError& problem) {
        observer.Print(problem.what());
        return 1;
    }

    JobRequest request;
    request.url = Trimmed(cmd.address);  // as the window takes its address field
    request.refresh = cmd.refresh;
    request.format = cmd.format;
    request.openBook = openBook;
    Job job(setup, observer);
    if (const std::optional<JobResult> refused = job.Start(request)) {
        observer.Print(refused->message);
        return refused->ExitCode();
    }
    if (signals.Wait()) {
        observer.Print("Stopping the download…");
        job.Stop();
    }
    job.Wait();
    const JobResult result = observer.Result();
    if (!result.bookfile.empty()) {
        observer.Print(result.bookfile);
    }
    return result.ExitCode();
}

}  // namespace quill
