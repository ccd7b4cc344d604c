#pragma once

#include <chrono>
#include <map>
#include <string>

namespace quill::test {

struct HttpResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    std::string header(const std::string& lowerCaseName) const;
};

// A plain HTTP GET with libcurl, independent of the downloader's own web access, so a test
// can look at the simulator without trusting the code under test. Throws
// std::runtime_error on connection failure, time-out or a malformed answer.
HttpResponse HttpGet(const std::string& host, int port, const std::string& target,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

}  // namespace quill::test
