#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

namespace quill {

// A whole regular file's bytes; a symbolic link is never followed and a pipe or device
// never read. Throws Exception "Cannot read file "path". reason" when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// A whole regular file's bytes, or nothing when it is missing, cannot be read, is not a
// regular file (as above), or holds more than maxBytes (it is then read no further).
std::optional<std::string> TryReadFileBytes(const std::string& path,
                                            size_t maxBytes = std::numeric_limits<size_t>::max());

// Reads a whole regular file into bytes, as above, for a caller that tells the reasons
// apart: 0 on success, else the error code (ENOENT when it is missing, ELOOP for a link,
// EFBIG past maxBytes; platform::RegularFileErrorText gives the words).
int ReadFileBytesInto(const std::string& path, std::string& bytes,
                      size_t maxBytes = std::numeric_limits<size_t>::max());

}  // namespace quill
