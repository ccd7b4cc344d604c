#pragma once

#include <map>
#include <string>
#include <vector>

namespace platform {

// Where a program's standard error goes.
enum class ErrorOutput {
    Discard,  // the null device: helpers report through files or the output pipe
    Pipe,     // a pipe (see ErrorFd()), for a caller that reads what the program complains
    Shared,   // our own standard error
};

// How a helper program is started.
struct ChildOptions {
    // Pipes to the program's standard input and output (see InputFd()/OutputFd()); without
    // them both are the null device.
    bool pipeInput = false;
    bool pipeOutput = false;
    ErrorOutput error = ErrorOutput::Discard;
    // Entries added to, or replacing, our environment.
    std::map<std::string, std::string> extraEnv;
    // Added to the program's nice value: work in the background (positive) yields the
    // processors to whatever the user is doing.
    int niceness = 0;
};

// A helper program (the downloader, the render worker) owned by this object.
//
// The program runs in a process group of its own, so that a terminal's Ctrl+C reaches it
// only through us and Stop() ends it together with anything it started. It is also tied to
// the thread that started it: when that thread ends, or the whole program dies (even by
// SIGKILL), the system sends it SIGKILL, so no orphaned helper keeps writing into folders a
// later job uses. The destructor stops a program that is still running.
class ChildProcess {
  public:
    enum class WaitResult { Exited, TimedOut, Failed };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with args (argv[1..]) in the current folder. False when it cannot be
    // started, the program file included (see ErrorCode()).
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const ChildOptions& options = {});

    // Waits at most timeoutMs for the program to end, sleeping rather than polling. Failed
    // means the wait itself cannot work; asking again would fail again.
    WaitResult Wait(int timeoutMs);

    // Asks the program's whole process group to end (SIGTERM), waits at most graceMs, then
    // kills the group (SIGKILL) and reaps the program. Safe to call at any time.
    void Stop(int graceMs);

    bool Running() const { return pid_ > 0 && !ended_; }
    int Pid() const { return pid_; }
    // The exit code once Wait() returned Exited (128 + signal number for a killed program).
    int ExitCode() const { return exitCode_; }
    // Set when a signal ended the program.
    int TermSignal() const { return termSignal_; }
    // The system error code of the last failed Start or Wait.
    int ErrorCode() const { return error_; }

    // Our ends of the pipes, -1 without them. The object closes them; CloseInput() sends
    // end-of-file early.
    int InputFd() const { return input_; }
    int OutputFd() const { return output_; }
    int ErrorFd() const { return errorOutput_; }
    void CloseInput();

  private:
    WaitResult Reap();
    void CloseAll();

    int pid_ = -1;
    int pidfd_ = -1;  // lets a wait sleep until the exit instead of polling
    int input_ = -1;
    int output_ = -1;
    int errorOutput_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
    int termSignal_ = 0;
    int error_ = 0;
};

}  // namespace platform
