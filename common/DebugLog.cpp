#include "common/DebugLog.h"

#include "platform/DebugOutput.h"

namespace quill {

void DebugLog(const std::string& text) {
    platform::DebugOutput(text);
}

}  // namespace quill
