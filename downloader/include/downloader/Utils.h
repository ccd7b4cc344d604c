#pragma once

#include <string>

namespace utils {

// The story's identifier in an address as a user may paste it (with or without "https://"):
// the path segment after "/story/" ("12345-title"), otherwise the first path segment
// ("67890-chapter-title"), without query or fragment (SiteAddress::name). Empty for a text
// that is no address.
std::string getquillid(const std::string& url);

// Writes the text (UTF-8) to the file, replacing an earlier file of that name in one step:
// the name holds the old file or the whole new one, never a part. Throws EFCreateError or
// EWriteError (of the kind "OSError") when it cannot; the old file is then untouched.
void savetext(const std::string& path, const std::string& text);

}  // namespace utils
