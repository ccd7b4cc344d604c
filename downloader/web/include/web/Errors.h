#pragma once

#include <string>
#include <utility>

#include "common/Errors.h"

namespace quill {

// A downloader failure. Its kind names the failure in the last line of the description
// that the run log shows (see Failure.h).
class DownloadError : public Exception {
  public:
    DownloadError(std::string kind, const std::string& message)
        : Exception(message, std::move(kind)) {}
};

// The server answered with an HTTP status of 400 or more.
class HttpError : public DownloadError {
  public:
    HttpError(long status, const std::string& url)
        : DownloadError("HTTPError", "HTTP status " + std::to_string(status) + " for " + url),
          status_(status) {}
    long status() const { return status_; }

  private:
    long status_;
};

// The request could not be completed: no connection, time-out, oversized body.
class FetchError : public DownloadError {
  public:
    // Why the site could not be read, as far as the user can act on it.
    enum class Reason { Other, NameLookup, Refused, TimedOut, Certificate };

    explicit FetchError(const std::string& message, Reason reason = Reason::Other)
        : DownloadError("FetchError", message), reason_(reason) {}
    Reason reason() const { return reason_; }

  private:
    Reason reason_;
};

// A member, attribute or element that the page should carry is missing.
class KeyError : public DownloadError {
  public:
    explicit KeyError(const std::string& message) : DownloadError("KeyError", message) {}
};

// A value of the wrong kind: a page count that is no number, metadata of the wrong type.
class ValueError : public DownloadError {
  public:
    explicit ValueError(const std::string& message) : DownloadError("ValueError", message) {}
};

// Text that would grow past a bound the downloader keeps, such as a formatted page.
class SizeLimitError : public ValueError {
  public:
    using ValueError::ValueError;
};

// The story page came, but without the story's data the job needs (its metadata, its table
// of contents): the address is not a story's, or the site has changed. It keeps the kind and
// message of the failure it stands for.
class StoryDataError : public DownloadError {
  public:
    explicit StoryDataError(const DownloadError& failure)
        : DownloadError(failure.kind(), failure.what()) {}
};

// A file of the work folder could not be written or removed.
class OSError : public DownloadError {
  public:
    explicit OSError(const std::string& message) : DownloadError("OSError", message) {}
};

// A CSS selector the matcher does not understand.
class SelectorError : public DownloadError {
  public:
    explicit SelectorError(const std::string& message) : DownloadError("SelectorError", message) {}
};

}  // namespace quill
