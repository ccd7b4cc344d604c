#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quill::test {

struct SpawnRequest {
    std::vector<std::string> argv;
    std::map<std::string, std::string> extraEnv;  // added to, or replacing, our environment
    int stdinFd = -1;                             // -1: the child shares ours
    int stdoutFd = -1;
    int stderrFd = -1;
    bool ownProcessGroup = true;  // lets a time-out reach the grandchildren too
};

// A started child process, reaped at the latest by the destructor (killed first if needed).
class ChildProcess {
  public:
    explicit ChildProcess(const SpawnRequest& request);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    bool TryReap();
    bool WaitFor(std::chrono::milliseconds timeout);
    // SIGTERM to the child (or its group), SIGKILL after the grace time, then reap.
    void Terminate(std::chrono::milliseconds grace);
    bool reaped() const { return reaped_; }
    int waitStatus() const { return status_; }

  private:
    void Signal(int signal) const;

    pid_t pid_ = -1;
    bool ownGroup_ = false;
    bool reaped_ = false;
    int status_ = 0;
};

// The program's full path: as given when it holds a "/", else searched in PATH.
std::string FindProgram(const std::string& name, const std::string& pathVariable);

}  // namespace quill::test
