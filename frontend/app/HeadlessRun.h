#pragma once

#include <string>

#include "CommandLine.h"

namespace quill {

// Runs one job without a window: prints each log line as it appears (on a terminal, the
// progress also shows as one line that updates itself) and, when a book was made, its path
// as the last line. Ctrl+C stops the job cleanly. Returns the exit status: 0 for a complete
// book, 3 for a book with chapters missing, 1 when no book was made, 2 for an address that
// is not a story's, 4 when another download is running.
int RunHeadless(const CommandLine& cmd, const std::string& programFolder, bool openBook);

}  // namespace quill
