#pragma once

#include <string>

namespace platform {

// An exclusive lock on a file that the system releases when its holder ends, however it
// ends: a crashed or killed job never leaves a stale lock behind. Child processes do not
// inherit it.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;

    // Takes the lock without waiting, creating the file when it is missing. False when
    // another holder has it (ErrorCode() is then 0) or the file cannot be opened (a folder:
    // EISDIR; a symbolic link, which is never followed: ELOOP).
    bool TryLock(const std::string& path);
    void Unlock();
    int ErrorCode() const { return error_; }

  private:
    int fd_ = -1;
    int error_ = 0;
};

}  // namespace platform
