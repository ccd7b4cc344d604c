#pragma once

#include <string>

namespace quill {

// The separator the program puts between a folder and a name.
constexpr char kPathSeparator = '/';

// Joins a folder and a file name with the separator, unless the folder already ends
// with "\" or "/".
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder path with a trailing separator (added only when it has none).
std::string IncludeTrailingSeparator(const std::string& folder);

// The folder part of a file's path, with its trailing separator ("./" for a bare name),
// and the name part.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

bool FileExists(const std::string& path);
// Whether anything (a file, a folder, a link) has that name.
bool PathExists(const std::string& path);

}  // namespace quill
