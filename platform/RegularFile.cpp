#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SystemError.h"

namespace platform {

int OpenRegularFile(const std::string& path, int& error) {
    // O_NONBLOCK: a FIFO would otherwise block the open until a writer appears.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
        ::close(fd);
        return -1;
    }
    // Plain blocking reads from here on; a regular file never blocks anyway.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    error = 0;
    return fd;
}

std::string RegularFileErrorText(int error) {
    switch (error) {
        case ELOOP:
            return "It is a symbolic link, which is not followed.";
        case EISDIR:
            return "It is a folder, not a file.";
        case kNotRegularFile:
            return "It is not a regular file (a pipe, socket or device).";
        default:
            return SystemErrorText(error);
    }
}

}  // namespace platform
