#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/PictureHeader.h"

namespace quill::pictures {

// A picture decoded and written again for a book.
struct Copy {
    std::string bytes;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The picture (a JPEG, PNG, GIF or WebP whose header has been checked) no wider than
// maxWidth, written as `as` (JPEG or PNG); its first frame, when it has several. Nothing when
// it cannot be decoded or written, with the library's words in why.
std::optional<Copy> MakeCopy(std::string_view picture, uint32_t maxWidth, PictureType as,
                             std::string& why);

// The library and the settings a copy is made with.
std::string CopyIdentity();

}  // namespace quill::pictures
