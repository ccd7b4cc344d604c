#include "support/Spawn.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quill::test {
namespace {

struct AttrDeleter {
    void operator()(posix_spawnattr_t* attr) const {
        posix_spawnattr_destroy(attr);
        delete attr;
    }
};
struct ActionsDeleter {
    void operator()(posix_spawn_file_actions_t* actions) const {
        posix_spawn_file_actions_destroy(actions);
        delete actions;
    }
};
using SpawnAttr = std::unique_ptr<posix_spawnattr_t, AttrDeleter>;
using FileActions = std::unique_ptr<posix_spawn_file_actions_t, ActionsDeleter>;

[[noreturn]] void Fail(const std::string& what, int error) {
    throw std::runtime_error(what + ": " + std::strerror(error));
}

SpawnAttr MakeAttr(bool ownGroup) {
    auto raw = std::make_unique<posix_spawnattr_t>();
    if (int rc = posix_spawnattr_init(raw.get())) {
        Fail("posix_spawnattr_init", rc);
    }
    SpawnAttr attr(raw.release());
    // The child starts with no blocked signals and default handlers, whatever the test
    // process (or the thread that spawns it) has set up for itself.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2}) {
        sigaddset(&defaults, s);
    }
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(attr.get(), 0);
    }
    posix_spawnattr_setsigmask(attr.get(), &none);
    posix_spawnattr_setsigdefault(attr.get(), &defaults);
    posix_spawnattr_setflags(attr.get(), flags);
    return attr;
}

FileActions MakeActions(const SpawnRequest& request) {
    auto raw = std::make_unique<posix_spawn_file_actions_t>();
    if (int rc = posix_spawn_file_actions_init(raw.get())) {
        Fail("posix_spawn_file_actions_init", rc);
    }
    FileActions actions(raw.release());
    const int targets[] = {0, 1, 2};
    const int sources[] = {request.stdinFd, request.stdoutFd, request.stderrFd};
    for (int i = 0; i < 3; ++i) {
        if (sources[i] >= 0) {
            posix_spawn_file_actions_adddup2(actions.get(), sources[i], targets[i]);
        }
    }
    return actions;
}

std::map<std::string, std::string> MergedEnvironment(const SpawnRequest& request) {
    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (eq) {
            env[std::string(*entry, static_cast<size_t>(eq - *entry))] = eq + 1;
        }
    }
    for (const auto& [name, value] : request.extraEnv) {
        env[name] = value;
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string FindProgram(const std::string& name, const std::string& pathVariable) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    size_t start = 0;
    while (start <= pathVariable.size()) {
        size_t end = pathVariable.find(':', start);
        if (end == std::string::npos) {
            end = pathVariable.size();
        }
        std::string dir = pathVariable.substr(start, end - start);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    throw std::runtime_error("program not found in PATH: " + name);
}

ChildProcess::ChildProcess(const SpawnRequest& request) : ownGroup_(request.ownProcessGroup) {
    if (request.argv.empty()) {
        throw std::invalid_argument("no program to start");
    }
    auto env = MergedEnvironment(request);
    // The child's own PATH decides, as it would for a shell starting the program.
    std::string program = FindProgram(request.argv[0], env.count("PATH") ? env["PATH"] : "");
    std::vector<std::string> args = request.argv;
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : env) {
        envStrings.push_back(name + "=" + value);
    }
    auto argPointers = Pointers(args);
    auto envPointers = Pointers(envStrings);
    SpawnAttr attr = MakeAttr(ownGroup_);
    FileActions actions = MakeActions(request);
    int rc = posix_spawn(&pid_, program.c_str(), actions.get(), attr.get(), argPointers.data(),
                         envPointers.data());
    if (rc != 0) {
        Fail("cannot start " + program, rc);
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        Terminate(std::chrono::milliseconds(2000));
    }
}

bool ChildProcess::TryReap() {
    if (reaped_) {
        return true;
    }
    pid_t rc = waitpid(pid_, &status_, WNOHANG);
    if (rc == pid_ || (rc < 0 && errno == ECHILD)) {
        reaped_ = true;
    }
    return reaped_;
}

bool ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!TryReap()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::Signal(int signal) const {
    // With its own group, a negative id reaches every process the child has started.
    kill(ownGroup_ ? -pid_ : pid_, signal);
}

void ChildProcess::Terminate(std::chrono::milliseconds grace) {
    if (TryReap()) {
        return;
    }
    Signal(SIGTERM);
    if (!WaitFor(grace)) {
        Signal(SIGKILL);
        while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    } else if (ownGroup_) {
        // The child is gone; grandchildren that outlived it still get the hard stop.
        kill(-pid_, SIGKILL);
    }
}

}  // namespace quill::test
