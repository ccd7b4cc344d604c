#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// Owns a posix_spawn attribute or file-action set for the duration of one Start.
struct SpawnSetup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

int OpenPidFd(int pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

}  // namespace

void ChildProcess::FdCloser::operator()(int* fd) const {
    ::close(*fd);
    delete fd;
}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    for (int fd : {0, 1, 2}) {
        posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null",
                                         fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&setup.attr, 0);

    pid_t pid = -1;
    const int rc =
        posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
    if (rc != 0) {
        error_ = rc;
        return false;
    }
    pid_ = pid;
    ended_ = false;
    const int fd = OpenPidFd(pid);
    if (fd >= 0) {
        pidfd_.reset(new int(fd));
    }
    return true;
}

ChildProcess::WaitResult ChildProcess::Reap() {
    int status = 0;
    const pid_t rc = ::waitpid(pid_, &status, WNOHANG);
    if (rc == pid_) {
        ended_ = true;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
        if (pidfd_) {
            pollfd pfd{*pidfd_, POLLIN, 0};
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

}  // namespace platform
