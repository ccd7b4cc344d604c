#include "support/StorySim.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

#include "platform/ChildProcess.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> CommandLine(const StorySimOptions& options, const std::string& catalog) {
    std::vector<std::string> argv{PythonProgram(), StorySimScript(), "--port", "0"};
    if (!catalog.empty()) {
        argv.insert(argv.end(), {"--catalog", catalog});
    }
    if (!options.tlsCert.empty()) {
        argv.insert(argv.end(), {"--tls-cert", options.tlsCert, "--tls-key", options.tlsKey});
    }
    return argv;
}

}  // namespace

StorySim::StorySim() : StorySim(Options{}) {}

StorySim::StorySim(const Options& options) : tls_(!options.tlsCert.empty()) {
    std::string catalog = options.catalogFile;
    if (!options.catalogJson.empty()) {
        if (!catalog.empty()) {
            throw std::invalid_argument("give the catalog as a file or inline, not both");
        }
        catalogDir_ = std::make_unique<TempDir>();
        catalog = catalogDir_->file("catalog.json");
        WriteFile(catalog, options.catalogJson);
    }
    // Its complaints go to the test's own standard error, where a failed start shows why.
    platform::ChildOptions child;
    child.pipeInput = true;
    child.pipeOutput = true;
    child.error = platform::ErrorOutput::Shared;
    const std::vector<std::string> argv = CommandLine(options, catalog);
    process_ = std::make_unique<platform::ChildProcess>();
    if (!process_->Start(FindProgram(argv[0]), {argv.begin() + 1, argv.end()}, child)) {
        throw std::runtime_error("the story-site simulator cannot be started: " +
                                 std::string(std::strerror(process_->ErrorCode())));
    }
    ReadPort(process_->OutputFd(), options.startTimeout);
}

StorySim::~StorySim() {
    process_->CloseInput();
    process_->Stop(2000);
}

void StorySim::ReadPort(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string line;
    char c;
    while (line.empty() || line.back() != '\n') {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) == 0) {
            throw std::runtime_error("the story-site simulator did not report its port in time");
        }
        if (read(fd, &c, 1) != 1) {
            process_->Stop(500);
            throw std::runtime_error(
                "the story-site simulator ended before it reported its port"
                " (its stderr shows why)");
        }
        line += c;
    }
    if (line.compare(0, 5, "PORT ") != 0 || (port_ = std::atoi(line.c_str() + 5)) <= 0) {
        throw std::runtime_error("unexpected first line from the story-site simulator: " + line);
    }
}

std::string StorySim::base_url() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::string StorySim::url(const std::string& path) const {
    return base_url() + (path.empty() || path[0] != '/' ? "/" : "") + path;
}

std::string StorySim::story_url(int storyId) const {
    return url("/story/" + std::to_string(storyId));
}

HttpResponse StorySim::get(const std::string& path) const {
    if (tls_) {
        throw std::logic_error("the test client speaks plain HTTP only");
    }
    return HttpGet("127.0.0.1", port_, path.empty() || path[0] != '/' ? "/" + path : path);
}

std::vector<std::string> StorySim::requests() const {
    HttpResponse response = get("/__log");
    if (response.status != 200) {
        throw std::runtime_error("/__log answered " + std::to_string(response.status));
    }
    return nlohmann::json::parse(response.body).get<std::vector<std::string>>();
}

void StorySim::reset_log() const {
    HttpResponse response = get("/__reset");
    if (response.status != 200) {
        throw std::runtime_error("/__reset answered " + std::to_string(response.status));
    }
}

}  // namespace quill::test
