#pragma once

#include <cstddef>

namespace platform {

// Whether a standard stream is a terminal (0 input, 1 output, 2 error).
bool IsTerminal(int stream);

// The terminal's width in columns, or 80 when it cannot be told.
size_t TerminalColumns(int stream);

}  // namespace platform
