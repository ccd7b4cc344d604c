#pragma once

#include <string>

namespace quill {

// Makes a story title fit for a file name (UTF-8 in, UTF-8 out).
std::string CleanFileName(const std::string& text);

}  // namespace quill
