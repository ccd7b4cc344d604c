#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

namespace {

int OpenPidFd(int pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Both ends close on exec; the child's end is moved onto 0 or 1 before exec.
struct Pipe {
    int read = -1;
    int write = -1;
    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        read = fds[0];
        write = fds[1];
        return true;
    }
    ~Pipe() {
        CloseFd(read);
        CloseFd(write);
    }
};

// Everything the child needs, built before fork: after fork only async-signal-safe calls
// are allowed, and this program has other threads.
struct ExecPlan {
    std::vector<std::string> argStorage;
    std::vector<std::string> envStorage;
    std::vector<char*> argv;
    std::vector<char*> envp;

    ExecPlan(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& extraEnv) {
        argStorage.push_back(program);
        argStorage.insert(argStorage.end(), args.begin(), args.end());
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (extraEnv.count(text.substr(0, text.find('='))) == 0) {
                envStorage.push_back(text);
            }
        }
        for (const auto& [name, value] : extraEnv) {
            envStorage.push_back(name + "=" + value);
        }
        for (std::string& arg : argStorage) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        for (std::string& entry : envStorage) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
    }
};

// The child's standard error when it keeps ours.
constexpr int kSharedError = -2;

[[noreturn]] void ExecChild(const ExecPlan& plan, pid_t parent, int inFd, int outFd, int errFd,
                            int reportFd, int niceness) {
    ::setpgid(0, 0);
    if (niceness != 0) {
        // Best effort: a program that cannot be lowered still runs.
        ::setpriority(PRIO_PROCESS, 0, ::getpriority(PRIO_PROCESS, 0) + niceness);
    }
    // Dies with the thread that started it; a parent that died before this line is
    // caught by the check after it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(inFd >= 0 ? inFd : null, 0);
    ::dup2(outFd >= 0 ? outFd : null, 1);
    if (errFd != kSharedError) {
        ::dup2(errFd >= 0 ? errFd : null, 2);
    }
    // Default signal handling for the new program, whatever ours was.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(plan.argv[0], plan.argv.data(), plan.envp.data());
    const int error = errno;
    ssize_t ignored = ::write(reportFd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (Running()) {
        Stop(2000);
    }
    CloseAll();
}

void ChildProcess::CloseAll() {
    CloseFd(pidfd_);
    CloseFd(input_);
    CloseFd(output_);
    CloseFd(errorOutput_);
}

void ChildProcess::CloseInput() {
    CloseFd(input_);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const ChildOptions& options) {
    CloseAll();
    ended_ = false;
    exitCode_ = -1;
    termSignal_ = 0;
    const ExecPlan plan(program, args, options.extraEnv);
    Pipe in, out, err, report;
    const bool pipeError = options.error == ErrorOutput::Pipe;
    if ((options.pipeInput && !in.Open()) || (options.pipeOutput && !out.Open()) ||
        (pipeError && !err.Open()) || !report.Open()) {
        error_ = errno;
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error_ = errno;
        return false;
    }
    if (pid == 0) {
        ExecChild(plan, parent, in.read, out.write,
                  options.error == ErrorOutput::Shared ? kSharedError : err.write, report.write,
                  options.niceness);
    }
    ::setpgid(pid, pid);  // also here, so a Stop() right away reaches the group
    CloseFd(report.write);
    int childError = 0;
    ssize_t got;
    do {
        got = ::read(report.read, &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        ::waitpid(pid, nullptr, 0);
        error_ = childError;
        return false;
    }
    pid_ = pid;
    pidfd_ = OpenPidFd(pid);
    std::swap(input_, in.write);
    std::swap(output_, out.read);
    std::swap(errorOutput_, err.read);
    return true;
}

ChildProcess::WaitResult ChildProcess::Reap() {
    int status = 0;
    const pid_t rc = ::waitpid(pid_, &status, WNOHANG);
    if (rc == pid_) {
        ended_ = true;
        termSignal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + termSignal_;
        return WaitResult::Exited;
    }
    if (rc == 0) {
        return WaitResult::TimedOut;
    }
    error_ = errno;
    return WaitResult::Failed;
}

ChildProcess::WaitResult ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0) {
        error_ = ECHILD;
        return WaitResult::Failed;
    }
    if (ended_) {
        return WaitResult::Exited;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        WaitResult result = Reap();
        if (result != WaitResult::TimedOut) {
            return result;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return WaitResult::TimedOut;
        }
        if (pidfd_ >= 0) {
            pollfd pfd{pidfd_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
                error_ = errno;
                return WaitResult::Failed;
            }
        } else {
            // Kernels without pidfd: look again every few milliseconds.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 10)));
        }
    }
}

void ChildProcess::Stop(int graceMs) {
    if (!Running()) {
        return;
    }
    ::kill(-pid_, SIGTERM);
    if (Wait(graceMs) != WaitResult::Exited) {
        ::kill(-pid_, SIGKILL);
        Wait(5000);
    }
}

}  // namespace platform
