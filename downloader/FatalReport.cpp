#include "downloader/FatalReport.h"

#include "downloader/RunLog.h"
#include "web/Errors.h"
#include "web/Failure.h"

namespace quill {

std::string FatalCause(const std::exception& failure) {
    if (const auto* http = dynamic_cast<const HttpError*>(&failure)) {
        return http->status() == 404 || http->status() == 410 ? "not-found" : "http-error";
    }
    if (dynamic_cast<const StoryDataError*>(&failure) != nullptr) {
        return "no-story-data";
    }
    if (const auto* fetch = dynamic_cast<const FetchError*>(&failure)) {
        switch (fetch->reason()) {
            case FetchError::Reason::NameLookup:
                return "name-lookup";
            case FetchError::Reason::Refused:
                return "refused";
            case FetchError::Reason::TimedOut:
                return "timed-out";
            case FetchError::Reason::Certificate:
                return "certificate";
            case FetchError::Reason::Other:
                break;
        }
    }
    return "failed";
}

void ReportFatalFailure(const std::exception& failure) {
    // One line, which the window shows and follows with the cause in its own words; the run
    // log cleans every line it writes, so the message cannot break out of its line. The chain
    // of operations adds nothing here: the job ends in its first steps.
    runlog::info("fatal:" + FatalCause(failure) + ":" + failure.what());
    ForgetFailure();
}

}  // namespace quill
