#pragma once

#include <exception>
#include <string>

namespace quill {

// What ended a job, as the run log names it for the window: "not-found" (HTTP 404 or 410),
// "http-error" (another status of 400 or more), "name-lookup", "refused", "timed-out",
// "certificate", "no-story-data" (the story page lacks the story's data), or "failed".
std::string FatalCause(const std::exception& failure);

// Writes the failure that ends the job into the run log, as the line
// "fatal:<cause>:<message>".
void ReportFatalFailure(const std::exception& failure);

}  // namespace quill
