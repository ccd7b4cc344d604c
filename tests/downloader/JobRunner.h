#pragma once

// Runs bin/quillmain as the window does and reads back what it left in the work folder.

#include <map>
#include <string>
#include <vector>

#include "common/Ticket.h"
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
// Runs one job with every member of the ticket.
RunResult RunJob(const StorySim& sim, const JobTicket& ticket);

// The environment RunQuillmain gives the launcher: the simulator's address, a short pause.
std::map<std::string, std::string> JobEnvironment(const StorySim& sim);

// Lines of the run log that are not part of a failure description.
std::vector<std::string> KeyedLines(const std::vector<std::string>& lines);

}  // namespace quill::test
