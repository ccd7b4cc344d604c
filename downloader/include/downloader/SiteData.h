#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// More pages than this in one chapter is no story the site serves, and fetching them back to
// back would hammer it, so such a count fails the chapter instead.
constexpr int kMaxPages = 1000;

// The site's own data about a chapter: the JSON value that a script element assigns in
// "window.prefetched = {...};". Nothing when `script` (a script element's text) is some other
// script. Throws ValueError when the value is not JSON. Only the value itself is read, so
// whatever follows it in the script does not matter.
std::optional<nlohmann::json> PrefetchedData(std::string_view script);

// The chapter's page count in that data: the whole number at "part" → "pages", as a browser
// would read it (the last of repeated keys wins). Throws KeyError when it is missing and
// ValueError when it is no whole number from 0 to kMaxPages; both name `url`.
int PageCount(const nlohmann::json& data, const std::string& url);

}  // namespace quill
