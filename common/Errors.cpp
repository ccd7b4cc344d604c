#include "common/Errors.h"

#include "platform/SystemError.h"

namespace quill {

namespace {

std::string OsErrorMessage(int code) {
    if (code == 0) {
        return "A call to an OS function failed";
    }
    return "System Error.  Code: " + std::to_string(code) + ".\n" +
           platform::SystemErrorText(code);
}

}  // namespace

EOSError::EOSError(int code) : Exception(OsErrorMessage(code)), code_(code) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : Exception("Cannot create file \"" + path + "\". " + reason) {}

}  // namespace quill
