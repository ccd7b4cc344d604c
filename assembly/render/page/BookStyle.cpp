// The look of a chapter page in the book.
#include "page/BookStyle.h"

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

constexpr double kBodyPoints = 11;
constexpr double kHeadingPoints = 18;
constexpr double kLineHeight = 1.4;

int Pixels(double points) {
    return static_cast<int>(std::lround(points / kPointsPerCssPixel));
}

std::string Millimetres(double mm) {
    std::ostringstream text;
    text << mm << "mm";
    return text.str();
}

// Chapters render one after another against the same file; it is rewritten only when its
// text is not the current one (a fresh work folder, or a newer program).
void WriteStyleSheet(const std::string& path) {
    const std::string css = BookStyleSheet();
    if (TryReadFileBytes(path) != css) {
        WriteFileAtomic(path, css);
    }
}

}  // namespace

std::string BookStyleSheet() {
    std::ostringstream css;
    css << "/* Quillby book style: sizes in engine pixels, " << kPointsPerCssPixel
        << " pt each */\n";
    // The page margins come from the engine's settings; the body adds none of its own.
    // Nothing may be wider than the page: the engine would shrink the whole page to fit.
    // Long words are not broken ("word-wrap: break-word" more than doubles the engine's
    // layout time).
    css << "html, body { margin: 0; padding: 0; }\n"
        << "body { font-family: serif; font-size: " << Pixels(kBodyPoints)
        << "px; line-height: " << Pixels(kBodyPoints * kLineHeight) << "px; }\n"
        << "h1, h2, h3 { line-height: 1.2; page-break-after: avoid; page-break-inside: avoid; }\n"
        << "h2 { font-size: " << Pixels(kHeadingPoints) << "px; margin: 0 0 " << Pixels(kBodyPoints)
        << "px 0; }\n"
        // A paragraph moves whole to the next page when it fits there. Orphans and widows
        // alone leave a single line behind for a paragraph of three lines (the engine
        // gives up when it cannot keep two on both sides); they still rule paragraphs
        // longer than a page.
        << "p { margin: 0 0 " << Pixels(kBodyPoints * 0.5)
        << "px 0; page-break-inside: avoid; orphans: 2; widows: 2; }\n"
        << "pre { white-space: pre-wrap; font-size: " << Pixels(kBodyPoints * 0.9) << "px; }\n"
        << "img, svg, video, table { max-width: 100%; }\n"
        << "img { height: auto; page-break-inside: avoid; }\n";
    css << ScriptStyle();
    return css.str();
}

void ApplyBookStyle(IWkGlobalSettings& global, IWkObjectSettings& object,
                    const std::string& workFolder) {
    const std::string sheet = JoinPath(workFolder, kBookStyleFile);
    WriteStyleSheet(sheet);
    global.SetValue("size.paperSize", "A4");
    // The engine applies its margins only when all four are set.
    global.SetValue("margin.top", Millimetres(kBookMarginTopMm));
    global.SetValue("margin.bottom", Millimetres(kBookMarginBottomMm));
    global.SetValue("margin.left", Millimetres(kBookMarginSideMm));
    global.SetValue("margin.right", Millimetres(kBookMarginSideMm));
    object.SetValue("web.userStyleSheet", FilePathToUrl(sheet));
}

}  // namespace quill
