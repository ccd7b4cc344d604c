// Any bytes as a page: parsed, read the way the downloader reads each kind of page it
// fetches, and put through every selector, text and formatting operation it uses. A page may
// fail with one of the downloader's own failures (a message in the run log); anything else,
// a crash, a sanitizer report or a hang, is a bug. The same bytes are read as a picture's
// header too, as the downloader and the book read every picture before anything decodes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/PictureHeader.h"
#include "downloader/Limits.h"
#include "downloader/Pages.h"
#include "web/Errors.h"
#include "web/Html.h"

namespace {

constexpr char kStoryUrl[] = "https://www.quillby.com/story/881-the-glass-orchard";
constexpr const char* kSelectors[] = {R"(script[type="application/ld+json"])",
                                      ".story-parts ul li a",
                                      "ul.table-of-contents a",
                                      "h1.h2",
                                      "pre",
                                      "script",
                                      "div > p, li a[href]"};

template <class Read>
void Attempt(Read&& read) {
    try {
        read();
    } catch (const quill::DownloadError&) {
        // The page is not of this kind, or breaks a bound: reported, never a crash.
    }
}

void UseElements(const gsweb::Document& document) {
    for (const char* selector : kSelectors) {
        size_t used = 0;
        for (const gsweb::Element& element : document.select(selector)) {
            if (++used > 8) {
                break;
            }
            element.get_text();
            element.markup();
            element.get("href");
            Attempt([&] { element.prettify(quill::kMaxChapterBytes); });
            const bool same = element == element;
            if (!same || gsweb::ElementHash()(element) != gsweb::ElementHash()(element)) {
                __builtin_trap();
            }
        }
    }
}

// A header's size must be one the bytes could give, and a size the bounds let pass must be
// one a decoder can take.
void ReadAsPicture(std::string_view bytes) {
    const std::optional<quill::PictureHeader> header = quill::ReadPictureHeader(bytes);
    if (header && !quill::PictureTypeOf(bytes)) {
        __builtin_trap();
    }
    if (header && !quill::PictureSizeProblem(*header) &&
        (header->width == 0 || header->height == 0 ||
         uint64_t{header->width} * header->height > quill::kMaxPicturePixels)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    Attempt([&] {
        const gsweb::Document document = gsweb::Document::Parse(page);
        Attempt([&] { quill::ReadStoryPage(document, kStoryUrl); });
        Attempt([&] { quill::ReadFirstView(document, kStoryUrl); });
        Attempt([&] { quill::ReadPageText(document, kStoryUrl, quill::kMaxChapterBytes); });
        UseElements(document);
        for (const std::string& src : quill::ReadPictureSources(document)) {
            if (src.empty()) {
                __builtin_trap();
            }
        }
        document.markup();
    });
    ReadAsPicture(page);
    return 0;
}
