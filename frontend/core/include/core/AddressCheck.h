#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace quill {

// Far more than any story's address, and far below what one argument of a program may hold
// (the address travels to the downloader inside its job ticket: escaped in JSON, then in
// Base64, 8192 characters stay well below the 128 kB one argument may have). Web servers
// commonly refuse longer request lines.
constexpr size_t kMaxAddressCharacters = 8192;

// Why `address` cannot be downloaded, as a sentence for the user; nothing when it is a
// story's address: http or https, on the story site (the host of `siteUrl`, with or without
// "www."), with a story number in its path ("/story/N…", or a chapter page's "/N-…").
// Checked before anything starts, so that a wrong address is named at once.
std::optional<std::string> StoryAddressProblem(const std::string& address,
                                               const std::string& siteUrl);

}  // namespace quill
