#pragma once

#include <optional>
#include <string>

namespace quill {

// Fetches the picture at `url` and stores it in `file`, atomically. Returns the picture, or
// nothing after a failure: then `file` is left empty and standard output has three lines
// saying so, for a missing cover never stops a job.
std::optional<std::string> RetrieveCover(const std::string& url, const std::string& file);

}  // namespace quill
