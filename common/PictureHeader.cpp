// A picture's type and size, read from its first bytes with every offset checked: the bytes
// come from the web, and nothing here may read past them or trust a length they give.
#include "common/PictureHeader.h"

#include <algorithm>

namespace quill {

namespace {

class Bytes {
  public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}

    bool Has(size_t at, size_t count) const {
        return at <= bytes_.size() && count <= bytes_.size() - at;
    }
    uint32_t U8(size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    uint32_t Le16(size_t at) const { return U8(at) | U8(at + 1) << 8; }
    uint32_t Le24(size_t at) const { return Le16(at) | U8(at + 2) << 16; }
    uint32_t Le32(size_t at) const { return Le24(at) | U8(at + 3) << 24; }
    uint32_t Be16(size_t at) const { return U8(at) << 8 | U8(at + 1); }
    uint32_t Be32(size_t at) const { return Be16(at) << 16 | Be16(at + 2); }
    bool Equals(size_t at, std::string_view text) const {
        return Has(at, text.size()) && bytes_.substr(at, text.size()) == text;
    }
    size_t size() const { return bytes_.size(); }

  private:
    std::string_view bytes_;
};

std::optional<PictureHeader> Sized(PictureType type, uint32_t width, uint32_t height,
                                   bool photographic) {
    return PictureHeader{type, width, height, photographic};
}

// Start-of-frame markers, which carry the size: C0 to CF but for DHT (C4), JPG (C8) and
// DAC (CC).
bool IsStartOfFrame(uint32_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureHeader> JpegHeader(const Bytes& b) {
    size_t at = 2;
    for (;;) {
        if (!b.Has(at, 2) || b.U8(at) != 0xFF) {
            return std::nullopt;
        }
        while (b.Has(at + 1, 1) && b.U8(at + 1) == 0xFF) {
            ++at;  // fill bytes
        }
        if (!b.Has(at + 1, 1)) {
            return std::nullopt;
        }
        const uint32_t marker = b.U8(at + 1);
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;  // markers without a segment
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || !b.Has(at + 2, 2)) {
            return std::nullopt;  // the image data begins before any frame said its size
        }
        const uint32_t length = b.Be16(at + 2);
        if (length < 2) {
            return std::nullopt;
        }
        if (IsStartOfFrame(marker)) {
            if (length < 7 || !b.Has(at + 4, 5)) {
                return std::nullopt;
            }
            // A height of 0 is given later, in a DNL segment; no decoder we use reads it.
            return Sized(PictureType::Jpeg, b.Be16(at + 7), b.Be16(at + 5), true);
        }
        at += 2 + length;
    }
}

std::optional<PictureHeader> PngHeader(const Bytes& b) {
    if (!b.Equals(12, "IHDR") || !b.Has(16, 8)) {
        return std::nullopt;
    }
    return Sized(PictureType::Png, b.Be32(16), b.Be32(20), false);
}

// Skips a run of GIF sub-blocks starting at `at`; false when the bytes end inside it.
bool SkipSubBlocks(const Bytes& b, size_t& at) {
    while (b.Has(at, 1)) {
        const uint32_t length = b.U8(at);
        at += 1 + length;
        if (length == 0) {
            return true;
        }
    }
    return false;
}

size_t ColourTableBytes(uint32_t packed) {
    return (packed & 0x80) != 0 ? size_t{3} << ((packed & 7) + 1) : 0;
}

std::optional<PictureHeader> GifHeader(const Bytes& b) {
    if (!b.Has(6, 7)) {
        return std::nullopt;
    }
    uint32_t width = b.Le16(6), height = b.Le16(8);
    size_t at = 13 + ColourTableBytes(b.U8(10));
    // Every frame is walked over by its block lengths, never decoded.
    while (b.Has(at, 1)) {
        const uint32_t block = b.U8(at);
        if (block == 0x21) {
            at += 2;
            if (!SkipSubBlocks(b, at)) {
                break;
            }
        } else if (block == 0x2C) {
            if (!b.Has(at, 10)) {
                break;
            }
            width = std::max(width, b.Le16(at + 1) + b.Le16(at + 5));
            height = std::max(height, b.Le16(at + 3) + b.Le16(at + 7));
            at += 10 + ColourTableBytes(b.U8(at + 9)) + 1;  // and the code size
            if (!SkipSubBlocks(b, at)) {
                break;
            }
        } else {
            break;  // the trailer, or bytes that are no block
        }
    }
    return Sized(PictureType::Gif, width, height, false);
}

// The first chunk after VP8X's that holds the picture itself.
std::string_view WebpImageChunk(const Bytes& b, size_t at) {
    while (b.Has(at, 8)) {
        for (std::string_view kind : {"VP8 ", "VP8L", "ANMF"}) {
            if (b.Equals(at, kind)) {
                return kind;
            }
        }
        const uint64_t size = b.Le32(at + 4);
        at += 8 + size + (size & 1);
        if (at > b.size()) {
            break;
        }
    }
    return "";
}

std::optional<PictureHeader> WebpHeader(const Bytes& b) {
    if (b.Equals(12, "VP8 ")) {
        // A key frame: its tag's low bit is 0, then the start code, then both sizes.
        if (!b.Has(20, 10) || (b.U8(20) & 1) != 0 || !b.Equals(23, "\x9D\x01\x2A")) {
            return std::nullopt;
        }
        return Sized(PictureType::Webp, b.Le16(26) & 0x3FFF, b.Le16(28) & 0x3FFF, true);
    }
    if (b.Equals(12, "VP8L")) {
        if (!b.Has(20, 5) || b.U8(20) != 0x2F) {
            return std::nullopt;
        }
        const uint32_t bits = b.Le32(21);
        return Sized(PictureType::Webp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1, false);
    }
    if (b.Equals(12, "VP8X")) {
        if (!b.Has(20, 10)) {
            return std::nullopt;
        }
        const bool alpha = (b.U8(20) & 0x10) != 0;
        const bool photographic = !alpha && WebpImageChunk(b, 30) == "VP8 ";
        return Sized(PictureType::Webp, b.Le24(24) + 1, b.Le24(27) + 1, photographic);
    }
    return std::nullopt;
}

std::string SizeText(const PictureHeader& header) {
    return std::to_string(header.width) + " \u00D7 " + std::to_string(header.height) + " pixels";
}

}  // namespace

std::optional<PictureType> PictureTypeOf(std::string_view bytes) {
    const Bytes b(bytes);
    if (b.Equals(0, "\xFF\xD8\xFF")) {
        return PictureType::Jpeg;
    }
    if (b.Equals(0, "\x89PNG\r\n\x1A\n")) {
        return PictureType::Png;
    }
    if (b.Equals(0, "GIF87a") || b.Equals(0, "GIF89a")) {
        return PictureType::Gif;
    }
    if (b.Equals(0, "RIFF") && b.Equals(8, "WEBP")) {
        return PictureType::Webp;
    }
    return std::nullopt;
}

std::optional<PictureHeader> ReadPictureHeader(std::string_view bytes) {
    const std::optional<PictureType> type = PictureTypeOf(bytes);
    if (!type) {
        return std::nullopt;
    }
    const Bytes b(bytes);
    switch (*type) {
        case PictureType::Jpeg:
            return JpegHeader(b);
        case PictureType::Png:
            return PngHeader(b);
        case PictureType::Gif:
            return GifHeader(b);
        case PictureType::Webp:
            return WebpHeader(b);
    }
    return std::nullopt;
}

std::optional<std::string> PictureSizeProblem(const PictureHeader& header) {
    if (header.width == 0 || header.height == 0) {
        return "its header gives it no pixels (" + SizeText(header) + ")";
    }
    if (header.width > kMaxPictureSide || header.height > kMaxPictureSide) {
        return "it is " + SizeText(header) + ", more than 10,000 on a side";
    }
    if (uint64_t{header.width} * header.height > kMaxPicturePixels) {
        return "it is " + SizeText(header) + ", more than 40 megapixels";
    }
    return std::nullopt;
}

const char* MediaTypeOf(PictureType type) {
    switch (type) {
        case PictureType::Jpeg:
            return "image/jpeg";
        case PictureType::Png:
            return "image/png";
        case PictureType::Gif:
            return "image/gif";
        case PictureType::Webp:
            return "image/webp";
    }
    return "application/octet-stream";
}

const char* ExtensionOf(PictureType type) {
    switch (type) {
        case PictureType::Jpeg:
            return "jpg";
        case PictureType::Png:
            return "png";
        case PictureType::Gif:
            return "gif";
        case PictureType::Webp:
            return "webp";
    }
    return "bin";
}

}  // namespace quill
