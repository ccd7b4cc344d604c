#include "support/HttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>

#include "common/Text.h"

namespace quill::test {
namespace {

struct EasyFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    static_cast<HttpResponse*>(user)->body.append(data, size * count);
    return size * count;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto& response = *static_cast<HttpResponse*>(user);
    const std::string line(data, size * count);
    if (line.compare(0, 5, "HTTP/") == 0) {
        response.headers.clear();  // a new response (after an interim one)
    } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
        response.headers[LowerAscii(line.substr(0, colon))] = Trim(line.substr(colon + 1));
    }
    return size * count;
}

}  // namespace

std::string HttpResponse::header(const std::string& lowerCaseName) const {
    auto it = headers.find(lowerCaseName);
    return it == headers.end() ? "" : it->second;
}

HttpResponse HttpGet(const std::string& host, int port, const std::string& target,
                     std::chrono::milliseconds timeout) {
    const std::unique_ptr<CURL, EasyFree> curl(curl_easy_init());
    if (!curl) {
        throw std::runtime_error("cannot set up an HTTP request");
    }
    const std::string url = "http://" + host + ":" + std::to_string(port) + target;
    HttpResponse response;
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
    // The target reaches the simulator as the test wrote it (dot segments and all), and
    // never through a proxy the environment names.
    curl_easy_setopt(curl.get(), CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_PROXY, "");
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, "quillby-tests");
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &response);
    if (const CURLcode code = curl_easy_perform(curl.get()); code != CURLE_OK) {
        throw std::runtime_error("GET " + url + ": " +
                                 (error[0] != '\0' ? error : curl_easy_strerror(code)));
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    return response;
}

}  // namespace quill::test
