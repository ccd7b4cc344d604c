#include "web/Web.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "common/Settings.h"
#include "common/Text.h"
#include "web/Errors.h"
#include "web/Failure.h"

namespace gsweb {

namespace {

constexpr char kUserAgent[] = "QuillbyDownloader/1.25";

WebOptions DefaultOptions() {
    WebOptions options;
    if (const long long seconds = quill::NumberSetting("QUILLBY_HTTP_TIMEOUT_S", 0, 1);
        seconds > 0) {
        options.connectTimeoutMs = seconds * 1000;
        options.stallTimeoutS = seconds;
    }
    if (const char* bundle = std::getenv("QUILLBY_CA_BUNDLE"); bundle && *bundle) {
        options.caBundle = bundle;
    }
    return options;
}

WebOptions& MutableOptions() {
    static WebOptions options = DefaultOptions();
    return options;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One handle for the whole process: requests are made one after another, and reusing it
// keeps the connection to the site open between them.
CURL* SharedHandle() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    static CurlHandle handle(initialised ? curl_easy_init() : nullptr);
    if (!handle) {
        throw quill::FetchError("the HTTP library could not be initialised");
    }
    return handle.get();
}

struct Response {
    std::string body;
    size_t limit = 0;
    bool tooLarge = false;
    long retryAfterS = -1;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* response = static_cast<Response*>(user);
    const size_t bytes = size * count;
    if (response->body.size() + bytes > response->limit) {
        response->tooLarge = true;
        return 0;  // aborts the transfer
    }
    response->body.append(data, bytes);
    return bytes;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* response = static_cast<Response*>(user);
    const std::string line(data, size * count);
    constexpr char kName[] = "retry-after:";
    if (line.size() > sizeof kName - 1) {
        if (quill::LowerAscii(line.substr(0, sizeof kName - 1)) == kName) {
            // Seconds; the other form, a date, is not waited for.
            std::string_view value = std::string_view(line).substr(sizeof kName - 1);
            value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
            value = value.substr(0, value.find_last_not_of(" \t\r\n") + 1);
            const std::optional<long long> seconds = quill::ParseInteger(value);
            if (seconds && *seconds >= 0) {
                response->retryAfterS = static_cast<long>(*seconds);
            }
        }
    }
    return size * count;
}

void Configure(CURL* curl, const std::string& url, Response& response, const WebOptions& options) {
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    // Redirects may not lead anywhere but the web (no file:, no other scheme).
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutS);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.totalTimeoutS);
    // Announced sizes fail at once; a compressed body is counted as it is unpacked (OnBody).
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(response.limit));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caBundle.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, options.caBundle.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response);
}

bool IsTransient(CURLcode code) {
    return code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR || code == CURLE_GOT_NOTHING ||
           code == CURLE_PARTIAL_FILE;
}

// What a failed transfer tells the user about the site.
quill::FetchError::Reason ReasonOf(CURLcode code) {
    using Reason = quill::FetchError::Reason;
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return Reason::NameLookup;
        case CURLE_COULDNT_CONNECT:
            return Reason::Refused;
        case CURLE_OPERATION_TIMEDOUT:
            return Reason::TimedOut;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return Reason::Certificate;
        default:
            return Reason::Other;
    }
}

bool IsTransientStatus(long status) {
    return status == 429 || status == 503;
}

// What a request may bring: the most bytes, and what to call them in a failure.
struct BodyLimit {
    size_t bytes;
    const char* what;
    // Too large a body is a bound the caller keeps (SizeLimitError), not a failed fetch.
    bool boundedByCaller = false;
};

// One attempt. Returns the body, or throws; `transient` says whether a retry may help.
std::string Attempt(const std::string& url, const WebOptions& options, const BodyLimit& limit,
                    bool& transient, long& retryAfterS) {
    CURL* curl = SharedHandle();
    Response response;
    response.limit = limit.bytes;
    Configure(curl, url, response, options);
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    retryAfterS = response.retryAfterS;
    if (response.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        transient = false;
        const std::string message = std::string(limit.what) + url + " is larger than " +
                                    std::to_string(limit.bytes >> 20) + " MB";
        if (limit.boundedByCaller) {
            throw quill::SizeLimitError(message);
        }
        throw quill::FetchError(message);
    }
    if (code != CURLE_OK) {
        transient = IsTransient(code);
        const std::string detail = *errorText ? errorText : curl_easy_strerror(code);
        throw quill::FetchError("cannot fetch " + url + ": " + detail, ReasonOf(code));
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        transient = IsTransientStatus(status);
        throw quill::HttpError(status, url);
    }
    return std::move(response.body);
}

long RetryDelayMs(int retry, long retryAfterS, const WebOptions& options) {
    if (retryAfterS >= 0) {
        return std::min(retryAfterS, options.maxRetryAfterS) * 1000;
    }
    return options.firstBackoffMs << retry;
}

}  // namespace

const WebOptions& Options() {
    return MutableOptions();
}

void SetOptions(const WebOptions& options) {
    MutableOptions() = options;
}

namespace {

std::string Fetch(const std::string& url, const BodyLimit& limit) {
    const WebOptions& options = Options();
    for (int retry = 0;; ++retry) {
        bool transient = false;
        long retryAfterS = -1;
        try {
            return Attempt(url, options, limit, transient, retryAfterS);
        } catch (const quill::DownloadError& failure) {
            if (!transient || retry >= options.maxRetries) {
                throw;
            }
            const long delayMs = RetryDelayMs(retry, retryAfterS, options);
            std::cout << "Retrying " << url << " in " << delayMs << " ms after: " << failure.what()
                      << " (retry " << retry + 1 << " of " << options.maxRetries << ")"
                      << std::endl;
            quill::ForgetFailure();
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
    }
}

}  // namespace

std::string get_url(const std::string& url) {
    quill::OperationScope scope("get_url(" + url + ")");
    return Fetch(url, {Options().maxBodyBytes, "the response from "});
}

std::string get_picture(const std::string& url, size_t maxBytes) {
    quill::OperationScope scope("get_picture(" + url + ")");
    return Fetch(url, {maxBytes, "the picture ", true});
}

Document get_soup(const std::string& url) {
    quill::OperationScope scope("get_soup(" + url + ")");
    const std::string page = [&] {
        quill::OperationScope fetch("get_url(" + url + ")");
        return Fetch(url, {Options().maxPageBytes, "the page "});
    }();
    return Document::Parse(page);
}

}  // namespace gsweb
