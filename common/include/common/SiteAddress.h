#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// What an address on the story site says about the story it leads to. Read with libcurl's
// URL parser, the one the downloader fetches with, so that the window, the downloader and
// the book agree on every address a user may paste.
struct SiteAddress {
    // "scheme://host" or "scheme://host:port", in lower case; the port only when it is not
    // the scheme's own.
    std::string origin;
    // The host alone, in lower case.
    std::string host;
    // A story page's number: "/story/N", "/story/N-slug", "/story/N/…".
    std::optional<uint64_t> story;
    // A chapter page's own number (not its story's): "/N", "/N-slug", "/N-slug/page/K".
    std::optional<uint64_t> part;
    // The path without a trailing "/"; query and fragment are never part of it.
    std::string path;
    // The path segment that names the page: "N-slug" of a story page's "/story/N-slug/…",
    // otherwise the first segment ("N-slug" of a chapter page); empty for the site's root.
    std::string name;
};

// Whether an address without "scheme://" is read as an http one (as a user may type it).
enum class MissingScheme { Refused, Http };

// Nothing when the text is not an absolute http or https address with a host.
std::optional<SiteAddress> ReadSiteAddress(const std::string& address,
                                           MissingScheme missing = MissingScheme::Refused);

// The story's number in a story page's address; nothing for a chapter page or any other
// address.
std::optional<uint64_t> StoryNumberIn(const std::string& address);

// A story number written as decimal digits and nothing else, 1 to 18 of them, not 0;
// nothing for anything else. Page text that names a story passes through here, so that it
// can only ever give a number.
std::optional<uint64_t> ParseStoryNumber(std::string_view digits);

// "origin/story/N": the address a book records as its story's.
std::string StoryKeyAddress(const std::string& origin, uint64_t number);

// Whether two recorded story addresses are of one story: the same origin and story number
// when both are story page addresses; otherwise the same origin and path. A text that is no
// address at all is only the same as itself.
bool SameStory(const std::string& one, const std::string& other);

}  // namespace quill
