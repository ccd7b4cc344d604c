#include "JobRunner.h"

#include <nlohmann/json.hpp>

#include "common/Base64.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {

std::vector<std::string> RunLogLines(const std::string& workFolder) {
    const std::string text = ReadFile(workFolder + "/run.log");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start != text.size()) {
        lines.push_back(text.substr(start) + "<no line end>");
    }
    return lines;
}

std::string Ticket(const std::string& url, const std::string& dir) {
    return Base64Encode(nlohmann::json{{"url", url}, {"dir", dir}}.dump());
}

std::map<std::string, std::string> JobEnvironment(const StorySim& sim) {
    return {{"QUILLBY_BASE_URL", sim.base_url()},
            {"QUILLBY_CHAPTER_PAUSE_MS", "1"},
            {"QUILLBY_HTTP_TIMEOUT_S", "2"}};
}

RunResult RunQuillmain(const StorySim& sim, const std::vector<std::string>& args,
                       std::map<std::string, std::string> env) {
    std::vector<std::string> argv{QuillmainPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    env.merge(JobEnvironment(sim));
    return Run(argv, env, std::chrono::seconds(60));
}

RunResult RunJob(const StorySim& sim, const std::string& url, const std::string& workFolder) {
    return RunQuillmain(sim, {Ticket(url, workFolder)});
}

RunResult RunJob(const StorySim& sim, const JobTicket& ticket) {
    return RunQuillmain(sim, {EncodeTicket(ticket)});
}

std::vector<std::string> KeyedLines(const std::vector<std::string>& lines) {
    std::vector<std::string> keyed;
    for (const std::string& line : lines) {
        if (line.rfind("title:", 0) == 0 || line.rfind("author:", 0) == 0 ||
            line.rfind("cover page:", 0) == 0 || line.rfind("chapter", 0) == 0 || line == "done" ||
            line == "error ontimer") {
            keyed.push_back(line);
        }
    }
    return keyed;
}

}  // namespace quill::test
