#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems can't
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return synced;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool AtomicFile::Open() {
    Discard();
    std::string pattern = FolderOf(path_) + "/._" + NameOf(path_) + ".XXXXXX.part";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemps(name.data(), 5, O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    temp_ = name.data();
    // mkstemp makes the file private; the finished file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    return true;
}

bool AtomicFile::Write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFile::Commit(Durability durability) {
    if (fd_ < 0 && temp_.empty()) {
        error_ = EBADF;
        return false;
    }
    bool ok = true;
    if (fd_ >= 0) {
        ok = ::close(fd_) == 0;
        fd_ = -1;
        if (!ok) {
            error_ = errno;
        }
    }
    // Synced through a fresh descriptor: a writer that used TempPath() may have written
    // through its own.
    if (ok && durability == Durability::ToDisk && !SyncPath(temp_, O_RDONLY)) {
        error_ = errno;
        ok = false;
    }
    if (ok && ::rename(temp_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
        ok = false;
    }
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    if (durability == Durability::ToDisk) {
        SyncFolder(FolderOf(path_));
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    return SyncPath(folder, O_RDONLY | O_DIRECTORY);
}

}  // namespace platform
