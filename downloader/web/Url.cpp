#include "web/Url.h"

#include <curl/curl.h>

#include <memory>
#include <new>

#include "common/Text.h"
#include "web/Errors.h"

namespace gsweb {

namespace {

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlFree>;

struct TextFree {
    void operator()(char* text) const { curl_free(text); }
};

UrlHandle NewHandle() {
    UrlHandle handle(curl_url());
    if (!handle) {
        throw std::bad_alloc();
    }
    return handle;
}

// The link as a browser reads it from an href attribute.
std::string Tidied(const std::string& link) {
    const auto isEdge = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t begin = 0, end = link.size();
    while (begin < end && isEdge(link[begin])) {
        ++begin;
    }
    while (end > begin && isEdge(link[end - 1])) {
        --end;
    }
    std::string tidy;
    tidy.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (link[i] != '\t' && link[i] != '\n' && link[i] != '\r') {
            tidy += link[i];
        }
    }
    return tidy;
}

void Set(CURLU* handle, const std::string& url, unsigned flags, const std::string& what) {
    const CURLUcode code = curl_url_set(handle, CURLUPART_URL, url.c_str(), flags);
    if (code != CURLUE_OK) {
        throw quill::ValueError(what + " \"" + url + "\" is not a usable address (" +
                                curl_url_strerror(code) + ")");
    }
}

std::string Part(CURLU* handle, CURLUPart part, unsigned flags) {
    char* text = nullptr;
    const CURLUcode code = curl_url_get(handle, part, &text, flags);
    std::unique_ptr<char, TextFree> owned(text);
    if (code != CURLUE_OK || text == nullptr) {
        throw quill::ValueError(std::string("an address lacks a part: ") + curl_url_strerror(code));
    }
    return text;
}

}  // namespace

std::string ResolveUrl(const std::string& base, const std::string& link) {
    const UrlHandle handle = NewHandle();
    Set(handle.get(), base, 0, "the page address");
    const std::string tidy = Tidied(link);
    if (tidy.empty() || tidy[0] == '#') {
        // The page itself, perhaps at another place in it. libcurl would drop the last path
        // segment and the query here, so these two reference forms are done by hand.
        const std::string fragment = tidy.empty() ? "" : tidy.substr(1);
        const CURLUcode code =
            curl_url_set(handle.get(), CURLUPART_FRAGMENT,
                         tidy.empty() ? nullptr : fragment.c_str(), CURLU_URLENCODE);
        if (code != CURLUE_OK) {
            throw quill::ValueError("the link \"" + tidy + "\" is not a usable address (" +
                                    curl_url_strerror(code) + ")");
        }
    } else {
        Set(handle.get(), tidy, CURLU_URLENCODE, "the link");
    }
    return Part(handle.get(), CURLUPART_URL, 0);
}

std::string Origin(const std::string& url) {
    const UrlHandle handle = NewHandle();
    Set(handle.get(), url, 0, "the address");
    return quill::LowerAscii(Part(handle.get(), CURLUPART_SCHEME, 0)) + "://" +
           quill::LowerAscii(Part(handle.get(), CURLUPART_HOST, 0)) + ":" +
           Part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

}  // namespace gsweb
