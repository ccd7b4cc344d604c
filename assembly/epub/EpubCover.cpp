#include "EpubCover.h"

#include <cstdio>
#include <string_view>

#include "common/File.h"
#include "common/Paths.h"

namespace quill::epub {

namespace {

struct Signature {
    std::string_view magic;
    const char* mediaType;
    const char* fileName;
};

// The core image types of EPUB 3 that a picture can be told by from its first bytes.
constexpr Signature kSignatures[] = {
    {"\xFF\xD8\xFF", "image/jpeg", "cover.jpg"},
    {"\x89PNG\r\n\x1A\n", "image/png", "cover.png"},
    {"GIF87a", "image/gif", "cover.gif"},
    {"GIF89a", "image/gif", "cover.gif"},
};

std::string FirstBytes(const std::string& path, size_t count) {
    const UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {};
    }
    std::string bytes(count, '\0');
    bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
    return bytes;
}

}  // namespace

std::optional<CoverPicture> FindCoverPicture(const std::string& path) {
    // Only a regular file: reading anything else (a pipe) could wait for ever.
    if (!FileExists(path)) {
        return std::nullopt;
    }
    const std::string head = FirstBytes(path, 8);
    for (const Signature& signature : kSignatures) {
        if (std::string_view(head).substr(0, signature.magic.size()) == signature.magic) {
            return CoverPicture{path, signature.mediaType, signature.fileName};
        }
    }
    return std::nullopt;
}

}  // namespace quill::epub
