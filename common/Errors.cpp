#include "common/Errors.h"

#include "platform/RegularFile.h"

namespace quill {

namespace {

std::string OsErrorMessage(int code, const std::string& systemText) {
    if (code == 0) {
        return "A call to an OS function failed";
    }
    return "System Error.  Code: " + std::to_string(code) + ".\n" + systemText;
}

constexpr char kOsErrorKind[] = "OSError";

}  // namespace

EOSError::EOSError(int code)
    : Exception(OsErrorMessage(code, platform::RegularFileErrorText(code)), kOsErrorKind),
      code_(code) {}

EOSError::EOSError(int code, const std::string& systemText)
    : Exception(OsErrorMessage(code, systemText), kOsErrorKind), code_(code) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : Exception("Cannot create file \"" + path + "\". " + reason, kOsErrorKind) {}

EWriteError::EWriteError(const std::string& path, const std::string& reason)
    : Exception("Cannot write file \"" + path + "\". " + reason, kOsErrorKind) {}

}  // namespace quill
