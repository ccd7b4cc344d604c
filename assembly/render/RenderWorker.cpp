#include "RenderWorker.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/DebugLog.h"
#include "common/Errors.h"
#include "platform/SystemError.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {

namespace {

// Starting the engine takes well under a second; a worker that is not ready after this
// long will not become ready.
constexpr std::chrono::milliseconds kStartBound{60000};
// A reply is one short line; more than this without a line feed is no reply.
constexpr size_t kLongestReply = 1 << 20;
constexpr int kStopGraceMs = 500;

// A worker that died leaves its pipe without a reader; writing to it must fail with EPIPE
// rather than end this program with SIGPIPE.
bool WriteAllWithoutSigpipe(int fd, std::string_view data) {
    sigset_t pipeOnly, previous, pendingBefore;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigpending(&pendingBefore);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    bool ok = true;
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    if (!ok && errno == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec zero{0, 0};
        sigtimedwait(&pipeOnly, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace

std::string DescribeBound(std::chrono::milliseconds bound) {
    const long long ms = bound.count();
    if (ms % 1000 == 0) {
        return std::to_string(ms / 1000) + " s";
    }
    if (ms > 1000) {
        return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
    }
    return std::to_string(ms) + " ms";
}

RenderWorker::RenderWorker(std::string program, std::string library, int niceness)
    : program_(std::move(program)), library_(std::move(library)), niceness_(niceness) {}

// The worker holds nothing that needs an orderly end: every file it writes appears
// atomically. It is stopped at once rather than waited for, which also ends one that is
// still starting its engine.
RenderWorker::~RenderWorker() {
    Stop();
}

void RenderWorker::LaunchEarly() {
    try {
        Launch();
    } catch (const std::exception& e) {
        // Nothing may need rendering; a page that does reports the failure.
        DebugLog(std::string("render worker not started early: ") + e.what());
    }
}

void RenderWorker::Launch() {
    if (process_.Running()) {
        return;
    }
    buffer_.clear();
    ready_ = false;
    platform::ChildOptions options;
    options.pipeInput = true;
    options.pipeOutput = true;
    options.niceness = niceness_;
    if (!process_.Start(program_, {"--library", library_}, options)) {
        throw Exception("The render worker " + program_ +
                        " cannot start: " + platform::SystemErrorText(process_.ErrorCode()));
    }
    launchedAt_ = Clock::now();
}

RenderWorker::Clock::time_point RenderWorker::Deadline() const {
    if (!ready_) {
        return launchedAt_ + kStartBound;
    }
    // The page's time counts from when the worker could take it up.
    return pending_ ? std::max(submittedAt_, readyAt_) + bound_ : Clock::time_point::max();
}

void RenderWorker::TakeReady(const std::string& line) {
    const std::vector<std::string> words = render::DecodeLine(line);
    if (words.size() >= 3 && words[0] == "failed" && words[1] == render::failure::Engine) {
        Stop();
        throw EWkHtmlToXError(words[2]);
    }
    if (words.empty() || words[0] != "ready") {
        Stop();
        throw Exception("The render worker did not start: it answered \"" + line + "\"");
    }
    ready_ = true;
    readyAt_ = Clock::now();
    DebugLog("render worker " + std::to_string(process_.Pid()) + " ready, engine " +
             (words.size() > 1 ? words[1] : std::string("?")));
}

void RenderWorker::Submit(const render::Request& request, std::chrono::milliseconds bound) {
    Launch();
    const std::string line = render::EncodeRequest(request);
    sent_ = Send(line);
    if (!sent_) {
        // The worker ended before it took the page. At its start that is its engine's
        // failure (reported here, from the worker's last words); between pages it is no
        // fault of this page.
        std::string first;
        if (!ready_) {
            if (ReadLine(first, true) != Read::Line) {
                const std::string how = HowItEnded();
                Stop();
                throw Exception("The render worker did not start: " + how);
            }
            TakeReady(first);
        }
        DebugLog("render worker gone before a page: " + HowItEnded());
        Stop();
        Launch();
        sent_ = Send(line);
    }
    submittedAt_ = Clock::now();
    bound_ = bound;
    pending_ = true;
}

std::optional<RenderOutcome> RenderWorker::Poll() {
    if (!pending_) {
        return std::nullopt;
    }
    if (!sent_) {
        pending_ = false;
        const std::string how = HowItEnded();
        Stop();
        return RenderOutcome{RenderOutcome::Status::Ended, "", how};
    }
    std::string line;
    for (Read read; (read = ReadLine(line, false)) != Read::Nothing;) {
        if (read == Read::Ended) {
            pending_ = false;
            const bool started = ready_;
            const std::string how = HowItEnded();
            Stop();
            if (!started) {
                throw Exception("The render worker did not start: " + how);
            }
            return RenderOutcome{RenderOutcome::Status::Ended, "", how};
        }
        if (!ready_) {
            pending_ = false;  // again once it is ready
            TakeReady(line);
            pending_ = true;
            continue;
        }
        pending_ = false;
        return Reply(line);
    }
    if (Clock::now() < Deadline()) {
        return std::nullopt;
    }
    pending_ = false;
    const bool started = ready_;
    Stop();
    if (!started) {
        throw Exception("The render worker did not start: it was not ready within " +
                        DescribeBound(kStartBound));
    }
    return RenderOutcome{RenderOutcome::Status::TimedOut, "", ""};
}

RenderOutcome RenderWorker::Reply(const std::string& line) {
    const std::vector<std::string> words = render::DecodeLine(line);
    if (words.size() == 1 && words[0] == "done") {
        return {};
    }
    if (words.size() < 3 || words[0] != "failed") {
        Stop();
        return {RenderOutcome::Status::Ended, "", "it answered \"" + line + "\""};
    }
    if (words[1] == render::failure::Engine) {
        Stop();
        throw EWkHtmlToXError(words[2]);
    }
    if (words[1] == render::failure::Output) {
        throw Exception(words[2]);
    }
    return {RenderOutcome::Status::Failed, words[1], words[2]};
}

bool RenderWorker::Send(const std::string& line) {
    return WriteAllWithoutSigpipe(process_.InputFd(), line);
}

// The next whole line from the worker: only what has arrived, or (wait) what arrives until
// the deadline.
RenderWorker::Read RenderWorker::ReadLine(std::string& line, bool wait) {
    for (;;) {
        const size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return Read::Line;
        }
        int timeout = 0;
        if (wait) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(Deadline() - Clock::now());
            if (left.count() <= 0) {
                return Read::Nothing;
            }
            timeout = static_cast<int>(std::min<long long>(left.count(), 1000));
        }
        pollfd ready{process_.OutputFd(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, timeout);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled < 0) {
            return Read::Ended;
        }
        if (polled == 0) {
            if (wait) {
                continue;
            }
            return Read::Nothing;
        }
        char chunk[4096];
        const ssize_t got = ::read(process_.OutputFd(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || buffer_.size() > kLongestReply) {
            return Read::Ended;
        }
        buffer_.append(chunk, static_cast<size_t>(got));
    }
}

std::string RenderWorker::HowItEnded() {
    if (process_.Wait(kStopGraceMs) != platform::ChildProcess::WaitResult::Exited) {
        return "it stopped answering";
    }
    if (process_.TermSignal() != 0) {
        return std::string("it was ended by signal ") + std::to_string(process_.TermSignal()) +
               " (" + strsignal(process_.TermSignal()) + ")";
    }
    return "it ended with exit code " + std::to_string(process_.ExitCode());
}

void RenderWorker::Stop() {
    process_.Stop(kStopGraceMs);
    buffer_.clear();
    ready_ = false;
}

}  // namespace quill
