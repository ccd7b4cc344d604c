#include "platform/MappedFile.h"

#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace platform {

MappedFile::~MappedFile() {
    Close();
}

bool MappedFile::Open(const std::string& path) {
    Close();
    // Only a regular file: a folder, pipe or device is no document, and a link is not followed.
    fd_ = OpenRegularFile(path, error_);
    return fd_ >= 0;
}

int64_t MappedFile::Size() const {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        return -1;
    }
    return static_cast<int64_t>(st.st_size);
}

bool MappedFile::Map() {
    const int64_t size = Size();
    if (size <= 0) {
        // An empty file cannot be mapped; report it as a failed mapping.
        error_ = size == 0 ? EINVAL : errno;
        return false;
    }
    void* view = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd_, 0);
    if (view == MAP_FAILED) {
        error_ = errno;
        return false;
    }
    data_ = view;
    length_ = static_cast<size_t>(size);
    mapped_ = true;
    return true;
}

bool MappedFile::ReadAll() {
    const int64_t size = Size();
    if (size < 0) {
        error_ = errno;
        return false;
    }
    char* buffer = static_cast<char*>(std::malloc(size > 0 ? static_cast<size_t>(size) : 1));
    if (buffer == nullptr) {
        error_ = ENOMEM;
        return false;
    }
    size_t done = 0;
    while (done < static_cast<size_t>(size)) {
        const ssize_t got =
            ::pread(fd_, buffer + done, static_cast<size_t>(size) - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error_ = got < 0 ? errno : EIO;
            std::free(buffer);
            return false;
        }
        done += static_cast<size_t>(got);
    }
    data_ = buffer;
    length_ = done;
    mapped_ = false;
    return true;
}

int64_t MappedFile::ReadAt(int64_t offset, void* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
}

void MappedFile::Close() {
    if (data_ != nullptr) {
        if (mapped_) {
            munmap(data_, length_);
        } else {
            std::free(data_);
        }
    }
    data_ = nullptr;
    length_ = 0;
    mapped_ = false;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace platform
