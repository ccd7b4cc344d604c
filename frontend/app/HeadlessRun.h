#pragma once

#include <string>

#include "CommandLine.h"

namespace quill {

// Runs jobs without a window: the stories of --download one after another, every story of
// the library with --update-all, or prints the library with --list. Prints each log line as
// it appears (on a terminal, the progress also shows as one line that updates itself) and,
// when a book was made, its path after the story's log; with several stories a summary
// follows, naming each story that got new chapters and how many. Ctrl+C stops cleanly.
// Returns the exit status: 0 when every story is complete, 3 when a book lacks chapters, 1
// when a story failed or no book was made, 2 for an address that is not a story's (nothing
// is then started), 4 when another download is running.
int RunHeadless(const CommandLine& cmd, const std::string& programFolder, bool openBook);

}  // namespace quill
