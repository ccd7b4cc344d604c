#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quill::test {

struct RunResult {
    int exitCode = -1;   // the exit status, or -1 when a signal ended the process
    int termSignal = 0;  // the signal that ended it, 0 when it exited
    std::string stdOut;
    std::string stdErr;
    bool timedOut = false;

    bool succeeded() const { return !timedOut && termSignal == 0 && exitCode == 0; }
    // One line for a failed expectation: how it ended, and what it wrote to stderr.
    std::string Describe() const;
};

// Runs argv[0] (searched in PATH) as the product runs its helpers (platform::ChildProcess:
// a process group of its own, tied to this thread), feeds it stdinText and collects its
// output. On time-out the whole group is stopped: SIGTERM, then SIGKILL. Throws
// std::runtime_error when the program cannot be started.
RunResult Run(const std::vector<std::string>& argv,
              const std::map<std::string, std::string>& extraEnv, std::chrono::milliseconds timeout,
              const std::string& stdinText = "");

// The standard output of a tool that must succeed within 60 s; throws std::runtime_error
// naming the tool and how it failed otherwise.
std::string ToolOutput(const std::vector<std::string>& argv);

// The program's full path: as given when it holds a "/", else searched in the PATH that
// extraEnv gives the child, or in ours.
std::string FindProgram(const std::string& name,
                        const std::map<std::string, std::string>& extraEnv = {});

}  // namespace quill::test
