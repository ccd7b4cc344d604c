#pragma once

#include <stdexcept>
#include <string>

namespace quill {

// Base of the program's own error classes; carries the message shown to the user.
class Exception : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A failed system call: "System Error.  Code: N." and the system's text on the next line.
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
