#pragma once

#include <optional>
#include <string>

namespace platform {

// A per-user folder, or why there is none.
struct UserFolder {
    std::string path;    // absolute, without a trailing separator; empty when unknown
    std::string reason;  // why it is unknown (e.g. "HOME is not set"); empty when known
};

// The user's Documents folder as the desktop names it (XDG_DOCUMENTS_DIR in
// user-dirs.dirs, else ~/Documents). It may not exist yet.
UserFolder DocumentsFolder();

// The per-user application data folder (XDG_DATA_HOME, else ~/.local/share).
UserFolder AppDataFolder();

// The per-user cache folder (XDG_CACHE_HOME, else ~/.cache): data the user may delete.
UserFolder CacheFolder();

// The folder of the running program file, with a trailing "/" ("./" when it cannot be
// told).
std::string ProgramFolder();

// Opens a document or address with the desktop's default program, detached from us: it
// lives on after we end. Failures are ignored, like a shell that cannot open something.
void OpenWithDefaultProgram(const std::string& target);

}  // namespace platform
