#pragma once

// Runs bin/quillmain as the window does and reads back what it left in the work folder.

#include <map>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/StorySim.h"

namespace quill::test {

// The run log's lines without their CR LF line ends.
std::vector<std::string> RunLogLines(const std::string& workFolder);

// A job ticket as the window writes it.
std::string Ticket(const std::string& url, const std::string& dir);

// Runs the launcher with the given arguments against the simulator, with a short pause.
RunResult RunQuillmain(const StorySim& sim, const std::vector<std::string>& args,
                       std::map<std::string, std::string> env = {});

// Runs one job: the ticket for url and the work folder.
RunResult RunJob(const StorySim& sim, const std::string& url, const std::string& workFolder);

// Lines of the run log that are not part of a failure description.
std::vector<std::string> KeyedLines(const std::vector<std::string>& lines);

}  // namespace quill::test
