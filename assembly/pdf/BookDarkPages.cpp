// Dark pages to their edges. The engine paints the text's background only inside the page
// margins; the margins stay white, which would frame every dark page in a glaring band.
// A fill under each page's own content covers the whole page, without reading or
// rewriting that content.
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <vector>

#include "BookPdf.h"

namespace quill::bookpdf {

namespace {

// The style sheet's dark page, #1e1e1e.
constexpr const char* kDarkPageRgb = "0.1176 0.1176 0.1176";

std::string FillContent(const QPDFObjectHandle::Rectangle& box) {
    return std::string("q\n") + kDarkPageRgb + " rg\n" + QUtil::double_to_string(box.llx, 2) + " " +
           QUtil::double_to_string(box.lly, 2) + " " +
           QUtil::double_to_string(box.urx - box.llx, 2) + " " +
           QUtil::double_to_string(box.ury - box.lly, 2) + " re\nf\nQ\n";
}

}  // namespace

void PaintDarkPages(QPDF& pdf, int firstPage) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    for (size_t i = static_cast<size_t>(std::max(firstPage, 0)); i < pages.size(); ++i) {
        const QPDFObjectHandle::Rectangle box = pages[i].getMediaBox().getArrayAsRectangle();
        pages[i].addPageContents(QPDFObjectHandle::newStream(&pdf, FillContent(box)), true);
    }
}

}  // namespace quill::bookpdf
