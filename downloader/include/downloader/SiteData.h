#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "downloader/Limits.h"

namespace quill {

// The chapter's page count in the site's own data about it, when `script` (a script
// element's text) is the one that assigns that data: "window.prefetched = {...};". The count
// is the whole number at "part" → "pages", read as a browser reads the JSON (the last of
// repeated members counts), its key with case ignored ("PAGES" counts when "pages" is not
// there); whatever follows the value in the script is not read. Nothing when the script is
// some other script. Throws KeyError when the count is missing and ValueError when the data
// is no JSON or the count no whole number from 0 to kMaxPages; both name `url`.
std::optional<int> PageCountIn(std::string_view script, const std::string& url);

}  // namespace quill
