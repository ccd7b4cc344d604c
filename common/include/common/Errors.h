#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quill {

// Base of all the program's own error classes, the downloader's among them. Carries the
// message shown to the user and, for a failure the downloader reports, the kind its
// failure description names it by.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message, std::string kind = "")
        : std::runtime_error(message), kind_(std::move(kind)) {}
    // "OSError", "KeyError", ...; empty for a failure without a kind of its own.
    const std::string& kind() const { return kind_; }

  private:
    std::string kind_;
};

// A failed system call: "System Error.  Code: N." and the system's text on the next line.
// This and the two file errors below are of the kind "OSError".
class EOSError : public Exception {
  public:
    explicit EOSError(int code);
    // With a text of the failing call's own instead of the system's text for the code.
    EOSError(int code, const std::string& systemText);
    int ErrorCode() const { return code_; }

  private:
    int code_;
};

// A value that could not be converted, or a conversion that failed.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

// A file that could not be created: Cannot create file "path". reason
class EFCreateError : public Exception {
  public:
    EFCreateError(const std::string& path, const std::string& reason);
};

// A file that could not be written whole (a full disk): Cannot write file "path". reason
class EWriteError : public Exception {
  public:
    EWriteError(const std::string& path, const std::string& reason);
};

}  // namespace quill
