#include "PictureSite.h"

#include "common/Text.h"
#include "web/Errors.h"
#include "web/Url.h"

namespace quill {

namespace {

struct Origin {
    std::string scheme, host, port;
};

// gsweb::Origin's "scheme://host:port", taken apart; the port is always written there.
Origin Split(const std::string& url) {
    const std::string origin = gsweb::Origin(url);
    const size_t hostStart = origin.find("://") + 3;
    const size_t colon = origin.rfind(':');
    return {origin.substr(0, hostStart - 3), origin.substr(hostStart, colon - hostStart),
            origin.substr(colon + 1)};
}

}  // namespace

PictureSite::PictureSite(const std::string& storyUrl) {
    const Origin site = Split(storyUrl);
    scheme_ = site.scheme;
    port_ = site.port;
    domain_ = site.host.rfind("www.", 0) == 0 ? site.host.substr(4) : site.host;
}

PictureSite::Place PictureSite::Locate(const std::string& pageUrl, const std::string& src) const {
    if (LowerAscii(src.substr(0, 5)) == "data:") {
        return {"", "it is written into the page (a data: address), not on the story's site"};
    }
    std::string address;
    Origin picture;
    try {
        address = gsweb::ResolveUrl(pageUrl, src);
        picture = Split(address);
    } catch (const ValueError&) {
        return {"", "its address cannot be read"};
    }
    const bool onDomain = picture.host == domain_ || EndsWith(picture.host, "." + domain_);
    if (picture.scheme != scheme_ || picture.port != port_ || !onDomain) {
        return {"", "it is not on the story's site but on " + picture.scheme + "://" +
                        picture.host + ":" + picture.port};
    }
    return {address, ""};
}

}  // namespace quill
