#include "common/FileBytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "common/Errors.h"
#include "platform/RegularFile.h"

namespace quill {

namespace {

// Reads the whole file into bytes; 0 on success, else the error code (EFBIG when the file
// holds more than maxBytes). Only a regular file is read: a link is not followed and a pipe
// is not waited on.
int ReadInto(const std::string& path, size_t maxBytes, std::string& bytes) {
    int error = 0;
    const int fd = platform::OpenRegularFile(path, error);
    if (fd < 0) {
        return error;
    }
    char buffer[65536];
    int code = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            if (bytes.size() + static_cast<size_t>(got) > maxBytes) {
                code = EFBIG;
                break;
            }
            bytes.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            code = got == 0 ? 0 : errno;
            break;
        }
    }
    ::close(fd);
    return code;
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    if (const int code = ReadInto(path, std::numeric_limits<size_t>::max(), bytes); code != 0) {
        throw Exception("Cannot read file \"" + path + "\". " +
                        platform::RegularFileErrorText(code));
    }
    return bytes;
}

std::optional<std::string> TryReadFileBytes(const std::string& path, size_t maxBytes) {
    std::string bytes;
    if (ReadInto(path, maxBytes, bytes) != 0) {
        return std::nullopt;
    }
    return bytes;
}

int ReadFileBytesInto(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    return ReadInto(path, maxBytes, bytes);
}

}  // namespace quill
