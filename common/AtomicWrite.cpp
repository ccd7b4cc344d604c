#include "common/AtomicWrite.h"

#include "common/Errors.h"
#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

namespace quill {

void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     platform::Durability durability) {
    platform::AtomicFile file(path);
    if (!file.Open()) {
        throw EFCreateError(path, platform::SystemErrorText(file.ErrorCode()));
    }
    if (!file.Write(bytes.data(), bytes.size()) || !file.Commit(durability)) {
        throw EWriteError(path, platform::SystemErrorText(file.ErrorCode()));
    }
}

}  // namespace quill
