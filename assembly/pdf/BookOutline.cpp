// The reader's ways around the book: the outline and the page labels.
#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <vector>

#include "BookPdf.h"
#include "common/OneLine.h"

namespace quill::bookpdf {

namespace {

struct OutlineEntry {
    std::string title;
    int page;
};

std::vector<OutlineEntry> OutlineEntries(const BookContents& contents) {
    std::vector<OutlineEntry> entries;
    if (contents.coverPages > 0) {
        entries.push_back({"Cover", 0});
    }
    for (const BookChapter& chapter : contents.chapters) {
        std::string title = OneLineLabel(chapter.heading);
        if (title.empty()) {
            title = "Chapter " + std::to_string(chapter.number);
        }
        entries.push_back({std::move(title), chapter.firstPage});
    }
    return entries;
}

// Opens the page at its top left corner and keeps the reader's zoom.
QPDFObjectHandle PageTop(QPDFPageObjectHelper& page) {
    const QPDFObjectHandle::Rectangle box = page.getCropBox().getArrayAsRectangle();
    return QPDFObjectHandle::newArray({page.getObjectHandle(), QPDFObjectHandle::newName("/XYZ"),
                                       QPDFObjectHandle::newReal(box.llx, 2),
                                       QPDFObjectHandle::newReal(box.ury, 2),
                                       QPDFObjectHandle::newNull()});
}

}  // namespace

void AddOutline(QPDF& pdf, const BookContents& contents) {
    QPDFObjectHandle root = pdf.getRoot();
    const std::vector<OutlineEntry> entries = OutlineEntries(contents);
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));

    std::vector<QPDFObjectHandle> items;
    for (const OutlineEntry& entry : entries) {
        if (entry.page < 0 || entry.page >= static_cast<int>(pages.size())) {
            continue;  // a chapter whose pages did not reach the book
        }
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title));
        item.replaceKey("/Parent", outlines);
        item.replaceKey("/Dest", PageTop(pages[entry.page]));
        if (!items.empty()) {
            item.replaceKey("/Prev", items.back());
            items.back().replaceKey("/Next", item);
        }
        items.push_back(item);
    }
    if (items.empty()) {
        root.removeKey("/Outlines");
        return;
    }
    outlines.replaceKey("/First", items.front());
    outlines.replaceKey("/Last", items.back());
    outlines.replaceKey("/Count",
                        QPDFObjectHandle::newInteger(static_cast<long long>(items.size())));
    root.replaceKey("/Outlines", outlines);
    root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}

void AddPageLabels(QPDF& pdf, int coverPages) {
    QPDFNumberTreeObjectHelper labels = QPDFNumberTreeObjectHelper::newEmpty(pdf);
    if (coverPages > 0) {
        // One cover page is "Cover"; a longer cover counts its pages: "Cover 1", "Cover 2".
        QPDFObjectHandle cover = QPDFObjectHandle::newDictionary();
        cover.replaceKey("/P",
                         QPDFObjectHandle::newUnicodeString(coverPages == 1 ? "Cover" : "Cover "));
        if (coverPages > 1) {
            cover.replaceKey("/S", QPDFObjectHandle::newName("/D"));
        }
        labels.insert(0, cover);
    }
    QPDFObjectHandle chapters = QPDFObjectHandle::newDictionary();
    chapters.replaceKey("/S", QPDFObjectHandle::newName("/D"));
    labels.insert(coverPages, chapters);
    pdf.getRoot().replaceKey("/PageLabels", labels.getObjectHandle());
}

}  // namespace quill::bookpdf
