#pragma once

#include <string>

namespace platform {

// Error code for a path that names something other than a regular file: a pipe, socket or
// device (a link gives ELOOP, a folder EISDIR).
constexpr int kNotRegularFile = -1000;

// Opens an existing regular file for reading only. A symbolic link is never followed and a
// pipe or device is never waited on: opening never blocks, and anything but a regular file is
// refused. Returns the descriptor (close-on-exec) or -1 with the reason in `error`: ELOOP for
// a link, EISDIR for a folder, kNotRegularFile for the rest, or the system's own code.
int OpenRegularFile(const std::string& path, int& error);

// Words for an error code from OpenRegularFile, for a message that names the file.
std::string RegularFileErrorText(int error);

}  // namespace platform
