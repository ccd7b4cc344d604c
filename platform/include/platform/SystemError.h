#pragma once

#include <string>

namespace platform {

// The calling thread's last system error code (errno).
int LastSystemError();

// The system's text for an error code.
std::string SystemErrorText(int code);

}  // namespace platform
