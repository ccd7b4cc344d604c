#include "NetworkIsolation.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <string>

namespace quill::worker {

namespace {

bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

}  // namespace

bool LeaveTheNetwork() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    // A new network namespace needs privileges, which a new user namespace grants inside it.
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return false;
    }
    // The same user and group inside as outside, so files keep their owners and programs
    // that check who owns their folders (Qt's runtime folder) see no stranger.
    return WriteProcFile("/proc/self/setgroups", "deny") &&
           WriteProcFile("/proc/self/uid_map",
                         std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
           WriteProcFile("/proc/self/gid_map",
                         std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

}  // namespace quill::worker
