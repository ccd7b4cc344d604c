#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/HttpClient.h"

namespace platform {
class ChildProcess;
}

namespace quill::test {

class TempDir;

struct StorySimOptions {
    std::string catalogFile;  // stories added to, or replacing, the built-in ones
    std::string catalogJson;  // the same given inline; written to a temporary file
    std::string tlsCert;      // both set: serve HTTPS with this certificate and key
    std::string tlsKey;
    std::chrono::milliseconds startTimeout{10000};
};

// The story-site simulator (tools/storysim/storysim.py) running for the lifetime of this
// object, on a port of its own choice on 127.0.0.1. It also stops on its own when this
// process dies, because it watches the pipe this object holds as its stdin, and the system
// ends it with the thread that started it.
class StorySim {
  public:
    using Options = StorySimOptions;

    StorySim();
    explicit StorySim(const Options& options);
    StorySim(const StorySim&) = delete;
    StorySim& operator=(const StorySim&) = delete;
    ~StorySim();

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" ("https://..." when serving TLS), without a trailing slash.
    std::string base_url() const;
    std::string url(const std::string& path) const;
    std::string story_url(int storyId) const;

    // Fetches path from the simulator with the test's own client (plain HTTP only).
    HttpResponse get(const std::string& path) const;
    // Every request path (with query) served since start or the last reset_log(), in order.
    std::vector<std::string> requests() const;
    void reset_log() const;

  private:
    void ReadPort(int fd, std::chrono::milliseconds timeout);

    std::unique_ptr<TempDir> catalogDir_;
    // Its standard input is a pipe of ours: end of file tells the simulator to stop.
    std::unique_ptr<platform::ChildProcess> process_;
    int port_ = 0;
    bool tls_ = false;
};

}  // namespace quill::test
