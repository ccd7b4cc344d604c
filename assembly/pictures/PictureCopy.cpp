// Pictures decoded, scaled and written again with libvips. It reads only what a picture's
// header names: every other loader (PDF, SVG, ImageMagick's, ...) stays blocked, so bytes
// from the web never reach a decoder meant for other files.
#include "PictureCopy.h"

#include <vips/vips.h>

#include <memory>
#include <mutex>

#include "common/OneLine.h"

namespace quill::pictures {

namespace {

constexpr int kJpegQuality = 85;
constexpr int kPngCompression = 6;

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};

// Whether the library could be started; once for the process.
bool Started() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        if (VIPS_INIT("quillby") != 0) {
            return;
        }
        vips_block_untrusted_set(TRUE);
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* loader : {"VipsForeignLoadJpeg", "VipsForeignLoadPng",
                                   "VipsForeignLoadNsgif", "VipsForeignLoadWebp"}) {
            vips_operation_block_set(loader, FALSE);
        }
        // Each picture is made once; keeping operations for reuse only holds memory.
        vips_cache_set_max(0);
        started = true;
    });
    return started;
}

std::string LibraryError() {
    std::string text = OneLine(vips_error_buffer());
    vips_error_clear();
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text.empty() ? "the picture library gave no reason" : text;
}

// A JPEG has no transparency: what shows through becomes the white of the page.
bool Flattened(Image& image) {
    if (!vips_image_hasalpha(image.get())) {
        return true;
    }
    VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
    VipsImage* flat = nullptr;
    const int failed = vips_flatten(image.get(), &flat, "background", white, nullptr);
    vips_area_unref(VIPS_AREA(white));
    if (failed != 0) {
        return false;
    }
    image.reset(flat);
    return true;
}

}  // namespace

std::optional<Copy> MakeCopy(std::string_view picture, uint32_t maxWidth, PictureType as,
                             std::string& why) {
    if (!Started()) {
        why = "the picture library could not be started: " + LibraryError();
        return std::nullopt;
    }
    VipsImage* made = nullptr;
    // The width decides; the height only follows it. JPEG and WebP shrink while they are
    // read, which keeps a camera's photograph to a fraction of its decoded size.
    if (vips_thumbnail_buffer(const_cast<char*>(picture.data()), picture.size(), &made,
                              static_cast<int>(maxWidth), "height", VIPS_MAX_COORD, "size",
                              VIPS_SIZE_DOWN, nullptr) != 0) {
        why = LibraryError();
        return std::nullopt;
    }
    Image image(made);
    void* buffer = nullptr;
    size_t length = 0;
    int failed = 0;
    if (as == PictureType::Jpeg) {
        failed = !Flattened(image) ||
                 vips_jpegsave_buffer(image.get(), &buffer, &length, "Q", kJpegQuality, "strip",
                                      TRUE, "optimize_coding", TRUE, nullptr) != 0;
    } else {
        failed = vips_pngsave_buffer(image.get(), &buffer, &length, "compression", kPngCompression,
                                     "strip", TRUE, nullptr);
    }
    const std::unique_ptr<void, GFree> owned(buffer);
    if (failed != 0 || buffer == nullptr) {
        why = LibraryError();
        return std::nullopt;
    }
    return Copy{std::string(static_cast<const char*>(buffer), length),
                static_cast<uint32_t>(vips_image_get_width(image.get())),
                static_cast<uint32_t>(vips_image_get_height(image.get()))};
}

std::string CopyIdentity() {
    return std::string("libvips ") + vips_version_string() + " jpeg " +
           std::to_string(kJpegQuality) + " png " + std::to_string(kPngCompression);
}

}  // namespace quill::pictures
