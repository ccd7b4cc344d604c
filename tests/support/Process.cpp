#include "support/Process.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "support/Spawn.h"
#include "support/UniqueFd.h"

namespace quill::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

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

// Reads what is there; closes the descriptor at end of file or on error.
void Drain(UniqueFd& fd, std::string& into) {
    char buffer[65536];
    while (fd) {
        ssize_t n = read(fd.get(), buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        } else {
            fd.reset();
        }
    }
}

class Exchange {
  public:
    Exchange(UniqueFd in, UniqueFd out, UniqueFd err, const std::string& input)
        : in_(std::move(in)), out_(std::move(out)), err_(std::move(err)), input_(input) {
        for (UniqueFd* fd : {&in_, &out_, &err_}) {
            SetNonBlocking(fd->get());
        }
        if (input_.empty()) {
            in_.reset();
        }
    }

    bool outputsOpen() const { return out_ || err_; }

    // Moves data for at most `wait`; returns early when something happened.
    void Step(milliseconds wait) {
        pollfd fds[3];
        UniqueFd* owners[3];
        nfds_t count = 0;
        UniqueFd* const all[] = {&in_, &out_, &err_};
        for (UniqueFd* fd : all) {
            if (*fd) {
                owners[count] = fd;
                short events = fd == &in_ ? POLLOUT : POLLIN;
                fds[count++] = pollfd{fd->get(), events, 0};
            }
        }
        if (poll(fds, count, static_cast<int>(wait.count())) <= 0) {
            return;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            if (owners[i] == &in_) {
                Feed();
            } else {
                Drain(*owners[i], owners[i] == &out_ ? result_.stdOut : result_.stdErr);
            }
        }
    }

    void DrainAll() {
        Drain(out_, result_.stdOut);
        Drain(err_, result_.stdErr);
    }

    RunResult& result() { return result_; }

  private:
    void Feed() {
        ssize_t n = WriteWithoutSigpipe(in_.get(), std::string_view(input_).substr(written_));
        if (n > 0) {
            written_ += static_cast<size_t>(n);
        }
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || written_ == input_.size()) {
            in_.reset();
        }
    }

    UniqueFd in_, out_, err_;
    const std::string& input_;
    size_t written_ = 0;
    RunResult result_;
};

void RecordEnd(RunResult& result, int status) {
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.termSignal = WTERMSIG(status);
    }
}

}  // namespace

RunResult Run(const std::vector<std::string>& argv,
              const std::map<std::string, std::string>& extraEnv, milliseconds timeout,
              const std::string& stdinText) {
    Pipe in = MakePipe(), out = MakePipe(), err = MakePipe();
    SpawnRequest request{argv, extraEnv, in.read.get(), out.write.get(), err.write.get(), true};
    ChildProcess child(request);
    in.read.reset();
    out.write.reset();
    err.write.reset();
    Exchange exchange(std::move(in.write), std::move(out.read), std::move(err.read), stdinText);

    const auto deadline = Clock::now() + timeout;
    // A background grandchild may keep the output pipes open after the child has exited;
    // its output is collected for a short while only.
    std::optional<Clock::time_point> lingerUntil;
    while (true) {
        if (!lingerUntil && child.TryReap()) {
            lingerUntil = Clock::now() + milliseconds(200);
        }
        if (lingerUntil && (!exchange.outputsOpen() || Clock::now() >= *lingerUntil)) {
            break;
        }
        if (!lingerUntil && Clock::now() >= deadline) {
            exchange.result().timedOut = true;
            child.Terminate(milliseconds(300));
            exchange.Step(milliseconds(50));
            break;
        }
        exchange.Step(milliseconds(20));
    }
    exchange.DrainAll();
    RecordEnd(exchange.result(), child.waitStatus());
    return std::move(exchange.result());
}

std::string RunResult::Describe() const {
    std::string how = timedOut     ? "timed out"
                      : termSignal ? "killed by signal " + std::to_string(termSignal)
                                   : "exit code " + std::to_string(exitCode);
    return how + "; stderr: " + stdErr;
}

}  // namespace quill::test
