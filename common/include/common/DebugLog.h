#pragma once

#include <string>

namespace quill {

// Sends a diagnostic line to the system's debug output; callable from any thread.
void DebugLog(const std::string& text);

}  // namespace quill
