#include "common/Settings.h"

#include <cerrno>
#include <cstdlib>

namespace quill {

long long NumberSetting(const char* name, long long fallback, long long minimum) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= minimum ? value : fallback;
}

}  // namespace quill
