#include "common/Paths.h"

#include <sys/stat.h>

namespace quill {

namespace {

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    return EndsWithSeparator(folder) ? folder + name : folder + kPathSeparator + name;
}

std::string IncludeTrailingSeparator(const std::string& folder) {
    return EndsWithSeparator(folder) ? folder : folder + kPathSeparator;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace quill
