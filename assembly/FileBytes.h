#pragma once

#include <string>

namespace quill {

// A whole file's bytes. Throws Exception "Cannot read file "path". reason" when it cannot
// be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace quill
