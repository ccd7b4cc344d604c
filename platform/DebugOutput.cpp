#include "platform/DebugOutput.h"

#include <syslog.h>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

void DebugOutput(const std::string& text) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    if (const char* path = std::getenv("QUILLBY_DEBUG_LOG"); path != nullptr && *path != '\0') {
        if (FILE* file = std::fopen(path, "ab")) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fputc('\n', file);
            std::fclose(file);
        }
        return;
    }
    syslog(LOG_DEBUG, "%s", text.c_str());
}

}  // namespace platform
