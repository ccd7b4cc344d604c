#pragma once

#include <string>

// The process-wide run log: every message, whatever its level, goes to each attached file,
// as the message alone followed by CR LF, and is flushed at once so that the window,
// reading from another process, sees progress without delay.
namespace runlog {

// Creates (or empties) the file and attaches it. Throws quill::OSError when the file
// cannot be created.
void open(const std::string& path);

// Writes a message as one line: line breaks and other control characters in it become
// blanks (see quill::OneLine), so no value inside it can open a line of its own.
void info(const std::string& message);

// Writes a one-line message followed by a failure's description (see quill::DescribeFailure),
// one run-log line per line of the description.
void error(const std::string& message, const std::string& description);

// Detaches and closes every file (used between tests; the process never needs it).
void close_all();

}  // namespace runlog
