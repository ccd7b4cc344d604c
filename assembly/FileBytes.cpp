#include "FileBytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "common/Errors.h"
#include "platform/SystemError.h"

namespace quill {

namespace {

[[noreturn]] void ThrowUnreadable(const std::string& path, int code) {
    throw Exception("Cannot read file \"" + path + "\". " + platform::SystemErrorText(code));
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ThrowUnreadable(path, errno);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            const int code = got == 0 ? 0 : errno;
            ::close(fd);
            if (code != 0) {
                ThrowUnreadable(path, code);
            }
            return bytes;
        }
    }
}

}  // namespace quill
