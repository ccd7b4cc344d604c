#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>
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

bool AtomicFile::SyncContents() {
    if (temp_.empty() || !SyncPath(temp_, O_RDONLY)) {
        error_ = temp_.empty() ? EBADF : errno;
        return false;
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    return SyncPath(folder, O_RDONLY | O_DIRECTORY);
}

namespace {

constexpr size_t kRandomPart = 6;  // mkstemp's XXXXXX
constexpr char kPartSuffix[] = ".part";

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsRandomPart(std::string_view text) {
    return text.size() == kRandomPart && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

bool IsNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Cuts ".piece" off the end of text; the piece, or nothing when text holds no dot.
std::optional<std::string_view> CutLast(std::string_view& text) {
    const size_t dot = text.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view piece = text.substr(dot + 1);
    text = text.substr(0, dot);
    return piece;
}

}  // namespace

bool IsLeftoverName(const std::string& name) {
    std::string_view rest(name);
    if (rest.substr(0, 2) != "._") {
        return false;
    }
    rest.remove_prefix(2);
    if (!EndsWith(rest, kPartSuffix)) {
        // A writer's own temporary file inside ours: "._name.XXXXXX.part.YYYYYY".
        const std::optional<std::string_view> inner = CutLast(rest);
        if (!inner || !IsRandomPart(*inner) || !EndsWith(rest, kPartSuffix)) {
            return false;
        }
    }
    rest.remove_suffix(sizeof kPartSuffix - 1);
    const std::optional<std::string_view> last = CutLast(rest);
    if (!last) {
        return false;
    }
    if (IsNumber(*last)) {  // "._name.PID.N.part"
        const std::optional<std::string_view> pid = CutLast(rest);
        return pid && IsNumber(*pid) && !rest.empty();
    }
    return IsRandomPart(*last) && !rest.empty();
}

int RemoveLeftovers(const std::string& folder, long minAgeSeconds) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (!IsLeftoverName(name) ||
            ::fstatat(::dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || now - info.st_mtime < minAgeSeconds) {
            continue;
        }
        if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace platform
