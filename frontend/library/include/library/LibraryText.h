#pragma once

#include <cstdint>
#include <string>

#include "library/Library.h"

namespace quill {

// How the window and the command line show a story of the library.

// Its title, or "Story 1234" before its story page was read.
std::string DisplayTitle(const LibraryStory& story);
// "12 of 14"; "12" before the first check.
std::string ChaptersText(const LibraryStory& story);
// "Complete", "Chapters missing", "Failed", "Stopped", "Not checked yet"; with the cause
// the job gave ("Failed: The site cannot be reached …") when `withCause`.
std::string OutcomeText(const LibraryStory& story, bool withCause = true);
// A time of the library as the user's clock shows it: "2025-12-10 14:03"; empty for none.
std::string LocalTimeText(const std::optional<int64_t>& seconds);
// The same in UTC for programs: "2025-12-10T13:03:09Z"; empty for none.
std::string UtcTimeText(const std::optional<int64_t>& seconds);

}  // namespace quill
