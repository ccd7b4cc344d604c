#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quill {

// A picture a cleaned chapter shows: a file beside the cleaned chapter, and its size.
struct ShownPicture {
    std::string file;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The picture the chapter shows for an <img>'s source (blanks trimmed), or nothing when the
// chapter has none for it.
using PictureLookup = std::function<std::optional<ShownPicture>(const std::string& src)>;

}  // namespace quill
