#pragma once

#include <string>

#include "web/Html.h"

// Web access: every request is one at a time, with time-outs, a bound on the body size,
// certificate checking, and a few bounded retries of transient failures.
namespace gsweb {

struct WebOptions {
    long connectTimeoutMs = 15000;    // to establish the connection
    long stallTimeoutS = 30;          // a transfer that moves nothing for this long fails
    long totalTimeoutS = 300;         // no single request takes longer than this
    size_t maxBodyBytes = 64u << 20;  // a picture
    size_t maxPageBytes = 8u << 20;   // a page to parse, counted after decompression
    int maxRetries = 3;               // of a connection reset or an HTTP 429 / 503
    long maxRetryAfterS = 30;         // the longest Retry-After we honour
    long firstBackoffMs = 500;        // doubled for each further retry
    std::string caBundle;             // PEM file of trusted certificates; empty: the system's
};

// The options in force: the defaults, with QUILLBY_HTTP_TIMEOUT_S (connect and stall
// time-outs) and QUILLBY_CA_BUNDLE taken from the environment.
const WebOptions& Options();
void SetOptions(const WebOptions& options);

// The response body of the address, as bytes. Throws quill::HttpError for a status of
// 400 or more and quill::FetchError when the request cannot be completed.
std::string get_url(const std::string& url);

// A picture's bytes, as get_url, but of at most maxBytes: a larger one fails with
// quill::SizeLimitError as soon as that many bytes have arrived (or its length announces
// more).
std::string get_picture(const std::string& url, size_t maxBytes);

// The page at the address, parsed. A page over maxPageBytes fails with quill::FetchError
// as soon as that many bytes have arrived.
Document get_soup(const std::string& url);

}  // namespace gsweb
