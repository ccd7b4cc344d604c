#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// A helper program started without a console of its own, that the caller waits for in
// slices. Dropping the object neither stops the program nor waits for it: a job that is
// still running when the window closes runs to its end on its own.
class ChildProcess {
  public:
    enum class WaitResult { Exited, TimedOut, Failed };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with args (argv[1..]) in the current folder, its standard streams on
    // the null device and in a process group of its own, so that neither its output nor a
    // terminal's Ctrl+C ties it to ours. False when it cannot be started (see ErrorCode()).
    bool Start(const std::string& program, const std::vector<std::string>& args);

    // Waits at most timeoutMs for the program to end. Failed means the wait itself cannot
    // work (the process is gone from under us); asking again would fail again.
    WaitResult Wait(int timeoutMs);

    bool Running() const { return pid_ > 0 && !ended_; }
    int Pid() const { return pid_; }
    // The exit code once Wait() returned Exited (128 + signal number for a killed program).
    int ExitCode() const { return exitCode_; }
    // The system error code of the last failed Start or Wait.
    int ErrorCode() const { return error_; }

  private:
    struct FdCloser {
        void operator()(int* fd) const;
    };
    WaitResult Reap();

    int pid_ = -1;
    std::unique_ptr<int, FdCloser> pidfd_;  // lets a wait sleep until the exit instead of polling
    bool ended_ = false;
    int exitCode_ = -1;
    int error_ = 0;
};

}  // namespace platform
