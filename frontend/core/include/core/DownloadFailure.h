#pragma once

#include <string>

#include "core/RunLog.h"

namespace quill {

// What the user is told about a download that ended on a failure.
struct FailureAdvice {
    std::string message;     // the cause in words a reader understands, and what to do
    bool retryHelps = true;  // clicking Download again may get further
};

// The advice for the failure the downloader named in its run log. Causes it does not know
// are told with the downloader's own message.
FailureAdvice AdviceFor(const FatalLine& fatal);

}  // namespace quill
