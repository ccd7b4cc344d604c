#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A file opened for reading (shared for reading only) and mapped read-only into memory.
// Every step reports failure through the system error code, so callers can raise their
// own error classes.
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens an existing regular file for reading, never following a link or waiting on a
    // pipe; false on failure (see ErrorCode(), and RegularFileErrorText for its words).
    bool Open(const std::string& path);
    // The open file's size in bytes, or -1 on failure.
    int64_t Size() const;
    // Maps the whole open file read-only; false on failure (an empty file cannot be mapped).
    bool Map();
    // Reads the whole open file into memory instead of mapping it; false on a read error.
    bool ReadAll();
    // Reads up to `size` bytes at `offset` of the open file, neither mapping it nor moving
    // any file position: the count read (0 at the end of the file), or -1 on failure.
    int64_t ReadAt(int64_t offset, void* buffer, size_t size);
    void Close();

    const void* Data() const { return data_; }
    size_t Length() const { return length_; }
    int ErrorCode() const { return error_; }

  private:
    int fd_ = -1;
    void* data_ = nullptr;
    size_t length_ = 0;
    bool mapped_ = false;
    int error_ = 0;
};

}  // namespace platform
