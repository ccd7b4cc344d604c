#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileLock::~FileLock() {
    Unlock();
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), error_(other.error_) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Unlock();
        fd_ = other.fd_;
        error_ = other.error_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::TryLock(const std::string& path) {
    Unlock();
    // A link is never followed: the lock file is ours, and one that points elsewhere would
    // create or lock a file we do not own (ELOOP names it).
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error_ = errno == EWOULDBLOCK ? 0 : errno;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    error_ = 0;
    return true;
}

void FileLock::Unlock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the only descriptor releases the lock
        fd_ = -1;
    }
}

}  // namespace platform
