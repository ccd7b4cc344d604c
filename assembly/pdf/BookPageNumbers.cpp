// The printed page numbers. Each chapter page gets a small content stream of its own after
// its existing ones; the existing streams are wrapped in a save and restore of the
// graphics state, so whatever they leave set cannot move or colour the number. Nothing of
// the chapter's own content is parsed or rewritten: PDFium's page-object editing would
// have to parse every page and regenerate its content (about 65 ms a page measured on
// wkhtmltopdf's pages, which hold thousands of text objects).
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QUtil.hh>

#include <vector>

#include "BookPdf.h"
#include "bookjob/BookPage.h"

namespace quill::bookpdf {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// Every digit of Times-Roman is 500/1000 of the font size wide.
constexpr double kDigitWidth = 0.5;
// As quiet on a dark page as on a light one.
constexpr const char* kNumberGray = "0.35";
constexpr const char* kDarkNumberGray = "0.62";

QPDFObjectHandle NumberFont(QPDF& pdf) {
    QPDFObjectHandle font = QPDFObjectHandle::newDictionary();
    font.replaceKey("/Type", QPDFObjectHandle::newName("/Font"));
    font.replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1"));
    font.replaceKey("/BaseFont", QPDFObjectHandle::newName("/Times-Roman"));
    font.replaceKey("/Encoding", QPDFObjectHandle::newName("/WinAnsiEncoding"));
    return pdf.makeIndirectObject(font);
}

QPDFObjectHandle PageFonts(QPDFPageObjectHelper& page) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) {
        fonts = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/Font", fonts);
    }
    return fonts;
}

// The page's resource name for the number's font: ours, or a free one should the page
// already use that name for a font of its own.
std::string FontName(QPDFObjectHandle fonts, QPDFObjectHandle font) {
    std::string name = "/QuillbyPageNumber";
    for (int suffix = 2;; ++suffix) {
        QPDFObjectHandle present = fonts.getKey(name);
        if (present.isNull() || present.getObjGen() == font.getObjGen()) {
            fonts.replaceKey(name, font);
            return name;
        }
        name = "/QuillbyPageNumber" + std::to_string(suffix);
    }
}

// Restores the graphics state of the page's own content, then prints the number centred
// on the page's visible width, its baseline in the middle of the foot.
std::string NumberContent(const std::string& fontName, int number,
                          const QPDFObjectHandle::Rectangle& box, const PageFinish& finish) {
    const std::string digits = std::to_string(number);
    const double size = finish.numberPoints;
    const double x = box.llx + (box.urx - box.llx - kDigitWidth * size * digits.size()) / 2;
    const double y = box.lly + finish.footMm / 2 * kPointsPerMm;
    return "Q\nq\nBT\n" + QPDFObjectHandle::newName(fontName).unparse() + " " +
           QUtil::double_to_string(size, 1) + " Tf\n" +
           (finish.dark ? kDarkNumberGray : kNumberGray) + " g\n" + QUtil::double_to_string(x, 2) +
           " " + QUtil::double_to_string(y, 2) + " Td\n" +
           QPDFObjectHandle::newString(digits).unparse() + " Tj\nET\nQ\n";
}

}  // namespace

void DrawPageNumbers(QPDF& pdf, int firstPage, const PageFinish& finish) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (firstPage < 0 || firstPage >= static_cast<int>(pages.size())) {
        return;
    }
    QPDFObjectHandle font = NumberFont(pdf);
    // One shared stream opens the save around every page's own content.
    const QPDFObjectHandle save = QPDFObjectHandle::newStream(&pdf, "q\n");
    for (size_t i = static_cast<size_t>(firstPage); i < pages.size(); ++i) {
        QPDFPageObjectHelper& page = pages[i];
        const std::string fontName = FontName(PageFonts(page), font);
        const QPDFObjectHandle::Rectangle box = page.getCropBox().getArrayAsRectangle();
        const int number = static_cast<int>(i) - firstPage + 1;
        page.addPageContents(save, true);
        page.addPageContents(
            QPDFObjectHandle::newStream(&pdf, NumberContent(fontName, number, box, finish)), false);
    }
}

}  // namespace quill::bookpdf
