// bench_scale LIBRARY JPEG...: decodes each JPEG from memory, scales it to 1600 pixels wide
// and encodes it as a JPEG of quality 85, with libvips, ImageMagick (MagickWand) or
// gdk-pixbuf; prints the milliseconds per picture. The caller reads the peak memory.
#include <wand/MagickWand.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <vips/vips.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1600;

std::string Read(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t WithVips(const std::string& jpeg) {
    VipsImage* image = nullptr;
    if (vips_thumbnail_buffer(const_cast<char*>(jpeg.data()), jpeg.size(), &image, kWidth,
                              "height", VIPS_MAX_COORD, "size", VIPS_SIZE_DOWN, nullptr) != 0) {
        return 0;
    }
    void* out = nullptr;
    size_t length = 0;
    vips_jpegsave_buffer(image, &out, &length, "Q", 85, "strip", TRUE, nullptr);
    g_object_unref(image);
    g_free(out);
    return length;
}

size_t WithMagick(const std::string& jpeg) {
    MagickWand* wand = NewMagickWand();
    size_t length = 0;
    if (MagickReadImageBlob(wand, jpeg.data(), jpeg.size()) == MagickTrue) {
        const size_t width = MagickGetImageWidth(wand), height = MagickGetImageHeight(wand);
        MagickResizeImage(wand, kWidth, height * kWidth / width, LanczosFilter, 1.0);
        MagickSetImageCompressionQuality(wand, 85);
        MagickStripImage(wand);
        unsigned char* out = MagickGetImageBlob(wand, &length);
        MagickRelinquishMemory(out);
    }
    DestroyMagickWand(wand);
    return length;
}

size_t WithPixbuf(const std::string& jpeg) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("jpeg", nullptr);
    gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(jpeg.data()), jpeg.size(),
                            nullptr);
    gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixbuf* full = gdk_pixbuf_loader_get_pixbuf(loader);
    size_t length = 0;
    if (full != nullptr) {
        const int height = gdk_pixbuf_get_height(full) * kWidth / gdk_pixbuf_get_width(full);
        GdkPixbuf* scaled = gdk_pixbuf_scale_simple(full, kWidth, height, GDK_INTERP_HYPER);
        gchar* out = nullptr;
        gsize size = 0;
        gdk_pixbuf_save_to_buffer(scaled, &out, &size, "jpeg", nullptr, "quality", "85", nullptr);
        length = size;
        g_free(out);
        g_object_unref(scaled);
    }
    g_object_unref(loader);
    return length;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_scale vips|magick|pixbuf JPEG...\n");
        return 2;
    }
    const std::string library = argv[1];
    size_t (*scale)(const std::string&) = library == "vips"     ? WithVips
                                          : library == "magick" ? WithMagick
                                                                : WithPixbuf;
    if (library == "vips" && VIPS_INIT(argv[0]) != 0) {
        return 1;
    }
    if (library == "vips") {
        vips_cache_set_max(0);
    }
    if (library == "magick") {
        MagickWandGenesis();
    }
    std::vector<std::string> pictures;
    for (int i = 2; i < argc; ++i) {
        pictures.push_back(Read(argv[i]));
    }
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& picture : pictures) {
        if (scale(picture) == 0) {
            std::fprintf(stderr, "%s could not scale a picture\n", library.c_str());
            return 1;
        }
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    std::printf("%.1f\n", spent.count() / pictures.size());
    return 0;
}
