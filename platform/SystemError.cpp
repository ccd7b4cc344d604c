#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

namespace platform {

int LastSystemError() {
    return errno;
}

std::string SystemErrorText(int code) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text != nullptr ? text : "";
}

}  // namespace platform
