// A picture's type and size, told by its bytes alone, without decoding it.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/PictureHeader.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

std::string Picture(const std::string& name) {
    return ReadFile(std::filesystem::path(StorySimScript()).parent_path().string() + "/pictures/" +
                    name);
}

std::string Be16(unsigned value) {
    return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

std::string Le16(unsigned value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// A JPEG segment: marker, length, payload.
std::string Segment(unsigned char marker, const std::string& payload) {
    return std::string("\xFF") + static_cast<char>(marker) + Be16(payload.size() + 2) + payload;
}

std::string FrameHeader(unsigned width, unsigned height) {
    return std::string("\x08", 1) + Be16(height) + Be16(width) + std::string("\x03\x01\x22\x00", 4);
}

std::string Gif(unsigned width, unsigned height, const std::string& blocks) {
    return "GIF89a" + Le16(width) + Le16(height) + std::string("\x00\x00\x00", 3) + blocks;
}

// An image block of a GIF at (left, top), without a colour table, with one data sub-block.
std::string GifFrame(unsigned left, unsigned top, unsigned width, unsigned height) {
    return std::string("\x2C") + Le16(left) + Le16(top) + Le16(width) + Le16(height) +
           std::string("\x00\x02\x02\x4C\x01\x00", 6);
}

std::string Riff(const std::string& chunks) {
    return "RIFF" + std::string("\x00\x00\x00\x00", 4) + "WEBP" + chunks;
}

void ExpectHeader(const std::string& bytes, PictureType type, uint32_t width, uint32_t height,
                  bool photographic, const std::string& what) {
    const std::optional<PictureHeader> header = ReadPictureHeader(bytes);
    ASSERT_TRUE(header) << what;
    EXPECT_EQ(header->type, type) << what;
    EXPECT_EQ(header->width, width) << what;
    EXPECT_EQ(header->height, height) << what;
    EXPECT_EQ(header->photographic, photographic) << what;
}

TEST(PictureHeader, EachTypeIsToldByItsBytesWithItsSize) {
    ExpectHeader(Picture("photo.jpg"), PictureType::Jpeg, 640, 480, true, "photo.jpg");
    ExpectHeader(Picture("map.png"), PictureType::Png, 400, 300, false, "map.png");
    ExpectHeader(Picture("art.gif"), PictureType::Gif, 160, 120, false, "art.gif");
    // The extended WebP form: lossy without transparency is a photograph, with it is not.
    ExpectHeader(Picture("sketch.webp"), PictureType::Webp, 480, 360, true, "sketch.webp");
    ExpectHeader(Picture("badge.webp"), PictureType::Webp, 64, 64, false, "badge.webp");
    // The simple forms: a lossy key frame, and a lossless picture's packed sizes.
    const std::string lossy = std::string("\x10\x02\x00\x9D\x01\x2A", 6) + Le16(1025) + Le16(769);
    ExpectHeader(Riff("VP8 " + std::string(4, '\0') + lossy), PictureType::Webp, 1025, 769, true,
                 "VP8");
    const uint32_t bits = (2000 - 1) | (1500 - 1) << 14;
    const std::string packed = "\x2F" + Le16(bits & 0xFFFF) + Le16(bits >> 16);
    ExpectHeader(Riff("VP8L" + std::string(4, '\0') + packed), PictureType::Webp, 2000, 1500, false,
                 "VP8L");
}

TEST(PictureHeader, AJpegIsMeasuredPastItsOtherSegmentsAndNotPastItsData) {
    const std::string start = "\xFF\xD8";
    const std::string exif = Segment(0xE1, "Exif" + std::string(3000, 'x'));
    const std::string tables = Segment(0xDB, std::string(64, '\x01'));
    ExpectHeader(start + Segment(0xE0, "JFIF") + exif + tables + "\xFF\xFF" +
                     Segment(0xC2, FrameHeader(4000, 3000)),
                 PictureType::Jpeg, 4000, 3000, true, "progressive, after fill bytes");
    // Data before any frame header, a segment cut short, a length that would go backwards.
    EXPECT_FALSE(
        ReadPictureHeader(start + exif + Segment(0xDA, "scan") + Segment(0xC0, FrameHeader(1, 1))));
    EXPECT_FALSE(ReadPictureHeader(start + exif.substr(0, 100)));
    EXPECT_FALSE(
        ReadPictureHeader(start + "\xFF\xE0" + Be16(1) + Segment(0xC0, FrameHeader(9, 9))));
    EXPECT_FALSE(ReadPictureHeader(start + Segment(0xC0, FrameHeader(9, 9)).substr(0, 8)));
}

// A decoder makes room for every frame, so a frame larger than the screen counts.
TEST(PictureHeader, AGifIsAsLargeAsItsLargestFrame) {
    const std::string comment = std::string("\x21\xFE\x03", 3) + "abc" + std::string(1, '\0');
    ExpectHeader(Gif(10, 10, comment + GifFrame(0, 0, 10, 10) + GifFrame(5, 2, 20000, 5) + ";"),
                 PictureType::Gif, 20005, 10, false, "wide frame");
    ExpectHeader(Gif(10, 10, GifFrame(0, 0, 8, 8).substr(0, 12)), PictureType::Gif, 10, 10, false,
                 "cut short");
}

TEST(PictureHeader, BytesOfAnotherKindAreNoPicture) {
    EXPECT_FALSE(PictureTypeOf("<!DOCTYPE html><html><body>Sign in</body></html>"));
    EXPECT_FALSE(PictureTypeOf("RIFF\x10\x00\x00\x00WAVEfmt "));
    EXPECT_FALSE(PictureTypeOf(""));
    EXPECT_FALSE(PictureTypeOf("\xFF\xD8"));
    // The right signature without a header that gives the size.
    EXPECT_EQ(PictureTypeOf("\x89PNG\r\n\x1A\n"), PictureType::Png);
    EXPECT_FALSE(ReadPictureHeader("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDX" + std::string(8, '\1')));
    EXPECT_FALSE(ReadPictureHeader(
        Riff("VP8 " + std::string(4, '\0') + "\x11\x02\x00\x9D\x01\x2A" + Le16(5) + Le16(5))))
        << "not a key frame";
    EXPECT_FALSE(ReadPictureHeader(Riff("ALPH" + std::string(20, '\0'))));
}

TEST(PictureHeader, TheBoundsNameTheSize) {
    const auto problem = [](uint32_t width, uint32_t height) {
        return PictureSizeProblem(PictureHeader{PictureType::Png, width, height, false});
    };
    EXPECT_FALSE(problem(10000, 4000));
    EXPECT_FALSE(problem(1, 10000));
    EXPECT_EQ(problem(10001, 2).value_or(""),
              "it is 10001 \u00D7 2 pixels, more than 10,000 on a side");
    EXPECT_EQ(problem(8000, 6000).value_or(""),
              "it is 8000 \u00D7 6000 pixels, more than 40 megapixels");
    EXPECT_EQ(problem(0, 7).value_or(""), "its header gives it no pixels (0 \u00D7 7 pixels)");
}

}  // namespace
}  // namespace quill::test
