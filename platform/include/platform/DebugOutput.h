#pragma once

#include <string>

namespace platform {

// Hands a line to the system's debug output, where only a debug viewer sees it.
// Here that is syslog at debug level; QUILLBY_DEBUG_LOG may name a file that receives
// the lines instead (one per call), which tests use to watch it.
void DebugOutput(const std::string& text);

}  // namespace platform
