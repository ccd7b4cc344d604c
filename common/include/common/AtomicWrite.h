#pragma once

#include <string>
#include <string_view>

#include "platform/AtomicFile.h"

namespace quill {

// Replaces the file at path with bytes in one step: readers, and later runs after a crash,
// see either the old whole file or the new whole one, never a part (a Scratch file may lose
// its new bytes in a crash of the whole machine). Throws EFCreateError when the file cannot
// be created and EWriteError when it cannot be written (a full disk); the old file is then
// untouched.
void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     platform::Durability durability = platform::Durability::ToDisk);

}  // namespace quill
