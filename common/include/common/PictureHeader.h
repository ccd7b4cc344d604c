#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The kinds of picture a book may show. The bytes tell which one a file is, never its
// name or the type a server gave it.
enum class PictureType { Jpeg, Png, Gif, Webp };

// What a picture's header says, read without decoding the picture itself.
struct PictureHeader {
    PictureType type = PictureType::Jpeg;
    uint32_t width = 0;
    uint32_t height = 0;
    // A photograph's kind of coding: JPEG, or WebP's lossy coding without transparency. A
    // copy of it is best kept as a JPEG; anything else as a PNG.
    bool photographic = false;
};

// The type the first bytes announce, or nothing when they are no JPEG, PNG, GIF or WebP.
std::optional<PictureType> PictureTypeOf(std::string_view bytes);

// The picture's type and size from its header alone. Nothing when the bytes are not one of
// the four types, or when the header is cut short or does not say the size. A GIF's size is
// the larger of its screen and of every frame it holds, since decoders make room for each.
std::optional<PictureHeader> ReadPictureHeader(std::string_view bytes);

// The largest picture a book takes: more pixels on a side, or in all, would take a decoder
// hundreds of megabytes and a reader nothing more.
constexpr uint32_t kMaxPictureSide = 10000;
constexpr uint64_t kMaxPicturePixels = 40'000'000;

// Why a picture of this size is not taken ("it is 12000 × 800 pixels, more than 10,000 on a
// side"); nothing when it is within the bounds and has pixels at all.
std::optional<std::string> PictureSizeProblem(const PictureHeader& header);

// "image/jpeg", "image/png", "image/gif" or "image/webp".
const char* MediaTypeOf(PictureType type);
// "jpg", "png", "gif" or "webp".
const char* ExtensionOf(PictureType type);

}  // namespace quill
