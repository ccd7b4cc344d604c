#include "core/DownloadFailure.h"

namespace quill {

namespace {

struct Cause {
    const char* name;
    const char* sentence;  // the message's start; the downloader's own words follow it
    const char* advice;
    bool retryHelps;
};

// A 404, a certificate or a page without the story's data stay as they are however often
// Download is clicked; the site being out of reach may not.
constexpr Cause kCauses[] = {
    {"not-found", "The story does not exist on the site",
     "Check the address: the story may "
     "have been removed.",
     false},
    {"http-error", "The story site answered with an error", "Try again later.", true},
    {"name-lookup", "The story site can't be reached: its name could not be looked up",
     "Check the internet connection and the address.", true},
    {"refused", "The story site can't be reached: it refused the connection",
     "Check the internet connection, or try again later.", true},
    {"timed-out", "The story site can't be reached: it did not answer in time",
     "Check the internet connection, or try again later.", true},
    {"certificate",
     "The story site's certificate could not be verified, so nothing was read "
     "from it",
     "The connection may be intercepted, or the system's certificates are out of "
     "date.",
     false},
    {"no-story-data", "The page holds no story data",
     "The address may not lead to a story, "
     "or the site has changed and Quillby Downloader needs an update.",
     false},
};

}  // namespace

FailureAdvice AdviceFor(const FatalLine& fatal) {
    const std::string detail = fatal.message.empty() ? "" : " (" + fatal.message + ")";
    for (const Cause& cause : kCauses) {
        if (fatal.cause == cause.name) {
            return {std::string(cause.sentence) + detail + ". " + cause.advice, cause.retryHelps};
        }
    }
    return {"The download stopped" + detail + ".", true};
}

}  // namespace quill
