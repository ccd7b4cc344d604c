// The look of a chapter page in the book.
#include "page/BookStyle.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/AtomicWrite.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "page/PageRender.h"
#include "page/ScriptStyle.h"
#include "wkhtmltox/WkHtmlToXCore.h"

namespace quill {

namespace {

// The engine prints one CSS pixel as 0.5763 pt, not the 0.75 pt CSS defines (measured on
// its output: its unpatched Qt scales every page by 0.768), and it rounds font sizes to
// whole pixels. The sizes below are therefore given in points the reader sees and turned
// into pixels here.
constexpr double kPointsPerCssPixel = 0.5763;
constexpr double kMmPerCssPixel = kPointsPerCssPixel * 25.4 / 72;

constexpr double kHeadingPerBody = 18.0 / 11;
constexpr double kLineHeight = 1.4;

// Dark pages for reading on a screen: not black, which makes light text glare, and text
// grey enough to be calm yet well above the contrast a reader needs. The page around the
// text gets the same colour when the book is finished (DrawDarkPages).
constexpr const char* kDarkPage = "#1e1e1e";
constexpr const char* kDarkText = "#d8d8d8";

// The cover page's spacer above the picture, in engine pixels on A4 (the cover page's own).
constexpr double kCoverSpacerPixels = 300;
constexpr double kA4HeightMm = 297;

int Pixels(double points) {
    return static_cast<int>(std::lround(points / kPointsPerCssPixel));
}

// The body text's size in points, a whole number of engine pixels. Large text is at least
// 1.15 times the medium size even after both are rounded to pixels, which a plain scale
// would miss on the small screens' type.
double BodyPoints(const PageLook& look) {
    const int medium = Pixels(GeometryOf(look.page).bodyPoints);
    int pixels = static_cast<int>(std::lround(medium * TextScale(look.text)));
    if (look.text == TextSize::Large) {
        pixels = std::max(pixels, static_cast<int>(std::ceil(medium * 1.15)));
    }
    return pixels * kPointsPerCssPixel;
}

std::string Millimetres(double mm) {
    std::ostringstream text;
    text << mm << "mm";
    return text.str();
}

// Chapters render one after another against the same file; it is rewritten only when its
// text is not the current one (a fresh work folder, another look, or a newer program).
void WriteStyleSheet(const std::string& path, const std::string& css) {
    if (TryReadFileBytes(path) != css) {
        WriteFileAtomic(path, css);
    }
}

// The engine applies its margins only when all four are set. A4 is given by name, as it
// always was; the other presets by their size.
void SetPage(IWkGlobalSettings& global, const PageGeometry& page, PagePreset preset, double top,
             double bottom, double side) {
    if (preset == PagePreset::A4) {
        global.SetValue("size.paperSize", "A4");
    } else {
        global.SetValue("size.width", Millimetres(page.widthMm));
        global.SetValue("size.height", Millimetres(page.heightMm));
    }
    global.SetValue("margin.top", Millimetres(top));
    global.SetValue("margin.bottom", Millimetres(bottom));
    global.SetValue("margin.left", Millimetres(side));
    global.SetValue("margin.right", Millimetres(side));
}

// The body's type and colours.
std::string BodyStyle(const PageLook& look) {
    const double body = BodyPoints(look);
    std::ostringstream css;
    css << "html, body { margin: 0; padding: 0; }\n"
        << "body { font-family: serif; font-size: " << Pixels(body)
        << "px; line-height: " << Pixels(body * kLineHeight) << "px; }\n";
    if (look.dark) {
        css << "html, body { background: " << kDarkPage << "; color: " << kDarkText << "; }\n";
    }
    return css.str();
}

std::string HeadingStyle(const PageLook& look) {
    const double body = BodyPoints(look);
    std::ostringstream css;
    css << "h1, h2, h3 { line-height: 1.2; page-break-after: avoid; page-break-inside: avoid; }\n"
        << "h2 { font-size: " << Pixels(body * kHeadingPerBody) << "px; margin: 0 0 "
        << Pixels(body) << "px 0; }\n";
    return css.str();
}

// Paragraphs, and what must never be wider than the page.
std::string ParagraphStyle(const PageLook& look) {
    const double body = BodyPoints(look);
    std::ostringstream css;
    // A paragraph moves whole to the next page when it fits there. Orphans and widows
    // alone leave a single line behind for a paragraph of three lines (the engine gives up
    // when it cannot keep two on both sides); they still rule paragraphs longer than a
    // page. Justified lines break at the soft hyphens put into the rendered copy.
    css << "p { margin: 0 0 " << Pixels(body * 0.5)
        << "px 0; page-break-inside: avoid; orphans: 2; widows: 2;"
        << (look.justified ? " text-align: justify;" : "") << " }\n"
        << "pre { white-space: pre-wrap; font-size: " << Pixels(body * 0.9) << "px; }\n"
        << "img, svg, video, table { max-width: 100%; }\n"
        << "img { height: auto; page-break-inside: avoid; }\n";
    const PageGeometry page = GeometryOf(look.page);
    css << PictureStyle((page.heightMm - page.topMm - page.bottomMm) / kMmPerCssPixel);
    return css.str();
}

}  // namespace

std::string BookStyleSheet(const PageLook& look) {
    std::ostringstream css;
    css << "/* Quillby book style: sizes in engine pixels, " << kPointsPerCssPixel
        << " pt each */\n";
    // The page margins come from the engine's settings; the body adds none of its own.
    // Nothing may be wider than the page: the engine would shrink the whole page to fit.
    // Long words are not broken ("word-wrap: break-word" more than doubles the engine's
    // layout time).
    css << BodyStyle(look) << HeadingStyle(look) << ParagraphStyle(look);
    css << ScriptStyle();
    return css.str();
}

std::string CoverStyleSheet(const PageLook& look) {
    const PageGeometry page = GeometryOf(look.page);
    const double contentPixels = (page.heightMm - 2 * page.sideMm) / kMmPerCssPixel;
    const int spacer =
        static_cast<int>(std::lround(kCoverSpacerPixels * page.heightMm / kA4HeightMm));
    // What is left below the spacer, less a line's room for the picture's line box.
    const int picture = static_cast<int>(contentPixels) - spacer - 24;
    std::ostringstream css;
    css << "/* Quillby cover page on a smaller page: the picture fits below the spacer */\n"
        << ".center { height: " << spacer << "px !important; }\n"
        << "img { max-width: 100% !important; max-height: " << picture
        << "px !important; width: auto; height: auto; }\n";
    return css.str();
}

void ApplyBookStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                    const std::string& workFolder, const PageLook& look) {
    const std::string sheet = JoinPath(workFolder, kBookStyleFile);
    WriteStyleSheet(sheet, BookStyleSheet(look));
    const PageGeometry page = GeometryOf(look.page);
    SetPage(global, page, look.page, page.topMm, page.bottomMm, page.sideMm);
    object.SetValue("web.userStyleSheet", FilePathToUrl(sheet));
}

void ApplyCoverStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                     const std::string& workFolder, const PageLook& look) {
    if (look.page == PagePreset::A4) {
        return;  // the cover page as it has always been
    }
    const std::string sheet = JoinPath(workFolder, kCoverStyleFile);
    WriteStyleSheet(sheet, CoverStyleSheet(look));
    const PageGeometry page = GeometryOf(look.page);
    SetPage(global, page, look.page, page.sideMm, page.sideMm, page.sideMm);
    object.SetValue("web.userStyleSheet", FilePathToUrl(sheet));
}

}  // namespace quill
