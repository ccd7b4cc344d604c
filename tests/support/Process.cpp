#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "platform/ChildProcess.h"

namespace quill::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        throw std::runtime_error(std::string("fcntl: ") + std::strerror(errno));
    }
}

// A child that exits early closes its stdin; writing to it then must fail with EPIPE
// instead of killing the whole test binary with SIGPIPE.
ssize_t WriteWithoutSigpipe(int fd, std::string_view data) {
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    ssize_t n = write(fd, data.data(), data.size());
    int error = errno;
    if (n < 0 && error == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec zero{0, 0};
        sigtimedwait(&pipeOnly, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return n;
}

// Moves the input into the child's pipe and its output out of them. The child process owns
// the descriptors; an output that has ended is only no longer read.
class Exchange {
  public:
    Exchange(platform::ChildProcess& child, const std::string& input)
        : child_(child), input_(input) {
        for (const int fd : {child.InputFd(), child.OutputFd(), child.ErrorFd()}) {
            SetNonBlocking(fd);
        }
        if (input_.empty()) {
            child_.CloseInput();
        }
    }

    bool outputsOpen() const { return outOpen_ || errOpen_; }

    // Moves data for at most `wait`; returns early when something happened.
    void Step(milliseconds wait) {
        pollfd fds[3];
        nfds_t count = 0;
        if (child_.InputFd() >= 0) {
            fds[count++] = pollfd{child_.InputFd(), POLLOUT, 0};
        }
        if (outOpen_) {
            fds[count++] = pollfd{child_.OutputFd(), POLLIN, 0};
        }
        if (errOpen_) {
            fds[count++] = pollfd{child_.ErrorFd(), POLLIN, 0};
        }
        if (poll(fds, count, static_cast<int>(wait.count())) <= 0) {
            return;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            if (fds[i].fd == child_.InputFd()) {
                Feed();
            } else if (fds[i].fd == child_.OutputFd()) {
                Drain(fds[i].fd, outOpen_, result_.stdOut);
            } else {
                Drain(fds[i].fd, errOpen_, result_.stdErr);
            }
        }
    }

    void DrainAll() {
        Drain(child_.OutputFd(), outOpen_, result_.stdOut);
        Drain(child_.ErrorFd(), errOpen_, result_.stdErr);
    }

    RunResult& result() { return result_; }

  private:
    void Feed() {
        const ssize_t n =
            WriteWithoutSigpipe(child_.InputFd(), std::string_view(input_).substr(written_));
        if (n > 0) {
            written_ += static_cast<size_t>(n);
        }
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || written_ == input_.size()) {
            child_.CloseInput();
        }
    }

    // Reads what is there; stops reading at end of file or on an error.
    static void Drain(int fd, bool& open, std::string& into) {
        char buffer[65536];
        while (open) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                into.append(buffer, static_cast<size_t>(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                return;
            } else {
                open = false;
            }
        }
    }

    platform::ChildProcess& child_;
    const std::string& input_;
    size_t written_ = 0;
    bool outOpen_ = true;
    bool errOpen_ = true;
    RunResult result_;
};

}  // namespace

std::string FindProgram(const std::string& name,
                        const std::map<std::string, std::string>& extraEnv) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    // The child's own PATH decides, as it would for a shell starting the program.
    const auto given = extraEnv.find("PATH");
    const char* ours = std::getenv("PATH");
    const std::string path = given != extraEnv.end() ? given->second : ours != nullptr ? ours : "";
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string dir = path.substr(start, end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    throw std::runtime_error("program not found in PATH: " + name);
}

RunResult Run(const std::vector<std::string>& argv,
              const std::map<std::string, std::string>& extraEnv, milliseconds timeout,
              const std::string& stdinText) {
    if (argv.empty()) {
        throw std::invalid_argument("no program to start");
    }
    const std::string program = FindProgram(argv[0], extraEnv);
    platform::ChildOptions options;
    options.pipeInput = true;
    options.pipeOutput = true;
    options.error = platform::ErrorOutput::Pipe;
    options.extraEnv = extraEnv;
    platform::ChildProcess child;
    if (!child.Start(program, {argv.begin() + 1, argv.end()}, options)) {
        throw std::runtime_error("cannot start " + program + ": " +
                                 std::strerror(child.ErrorCode()));
    }
    Exchange exchange(child, stdinText);

    const auto deadline = Clock::now() + timeout;
    // A background grandchild may keep the output pipes open after the child has exited;
    // its output is collected for a short while only.
    std::optional<Clock::time_point> lingerUntil;
    while (true) {
        if (!lingerUntil) {
            const platform::ChildProcess::WaitResult state = child.Wait(0);
            if (state == platform::ChildProcess::WaitResult::Failed) {
                throw std::runtime_error("cannot wait for " + program + ": " +
                                         std::strerror(child.ErrorCode()));
            }
            if (state == platform::ChildProcess::WaitResult::Exited) {
                lingerUntil = Clock::now() + milliseconds(200);
            }
        }
        if (lingerUntil && (!exchange.outputsOpen() || Clock::now() >= *lingerUntil)) {
            break;
        }
        if (!lingerUntil && Clock::now() >= deadline) {
            exchange.result().timedOut = true;
            child.Stop(300);
            exchange.Step(milliseconds(50));
            break;
        }
        exchange.Step(milliseconds(20));
    }
    exchange.DrainAll();
    RunResult& result = exchange.result();
    result.termSignal = child.TermSignal();
    result.exitCode = result.termSignal != 0 ? -1 : child.ExitCode();
    return std::move(result);
}

std::string RunResult::Describe() const {
    std::string how = timedOut     ? "timed out"
                      : termSignal ? "killed by signal " + std::to_string(termSignal)
                                   : "exit code " + std::to_string(exitCode);
    return how + "; stderr: " + stdErr;
}

std::string ToolOutput(const std::vector<std::string>& argv) {
    const RunResult r = Run(argv, {}, std::chrono::seconds(60));
    if (!r.succeeded()) {
        throw std::runtime_error(argv[0] + ": " + r.Describe());
    }
    return r.stdOut;
}

}  // namespace quill::test
