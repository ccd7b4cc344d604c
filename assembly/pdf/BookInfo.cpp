// The book's document information: what viewers show as its title and author, and the
// story address that ties the file to its story.
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QUtil.hh>

#include <cstdint>

#include "BookPdf.h"
#include "bookjob/ChapterRecord.h"
#include "common/OneLine.h"
#include "common/Utf8.h"

#ifndef QUILLBY_VERSION
#error "the build passes the program's version as QUILLBY_VERSION"
#endif

namespace quill {

namespace {

// Where the story's address is kept: a key of the book's own in the information
// dictionary, which viewers list among the document's custom properties.
constexpr const char* kStoryKey = "/QuillbyStory";
// Which chapters the book holds, so that a later build never replaces it with less.
constexpr const char* kChaptersKey = "/QuillbyChapters";

// A text the book's information dictionary holds under key; nothing when the file holds
// none or cannot be read. A damaged file or one that is no PDF would be scanned whole to
// rebuild it; such a file records nothing.
std::optional<std::string> ReadInfoText(const std::string& path, const char* key) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile(path.c_str());
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        QPDFObjectHandle text = info.isDictionary() ? info.getKey(key) : info;
        return text.isString() ? std::optional<std::string>(text.getUTF8Value()) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

namespace bookpdf {

void SetDocumentInfo(QPDF& pdf, const BookContents& contents) {
    const std::string now = QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time());
    const std::string title = OneLineLabel(contents.title);
    const std::string author = OneLineLabel(contents.author);
    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    if (!title.empty()) {
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
    }
    if (!author.empty()) {
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(author));
    }
    info.replaceKey("/Creator",
                    QPDFObjectHandle::newUnicodeString("Quillby Downloader " QUILLBY_VERSION));
    info.replaceKey("/Producer",
                    QPDFObjectHandle::newUnicodeString("wkhtmltox (Qt WebKit) and PDFium; qpdf " +
                                                       QPDF::QPDFVersion()));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(now));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(now));
    // Kept exactly, so that ReadStoryOfBook gives back what the next build compares.
    if (!contents.storyUrl.empty()) {
        info.replaceKey(kStoryKey, QPDFObjectHandle::newUnicodeString(contents.storyUrl));
    }
    info.replaceKey(kChaptersKey,
                    QPDFObjectHandle::newUnicodeString(FormatChapterList(HeldChapters(contents))));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));

    // Viewers show the title in their window instead of the file name.
    if (!title.empty()) {
        QPDFObjectHandle preferences = QPDFObjectHandle::newDictionary();
        preferences.replaceKey("/DisplayDocTitle", QPDFObjectHandle::newBool(true));
        pdf.getRoot().replaceKey("/ViewerPreferences", preferences);
    }
}

}  // namespace bookpdf

std::vector<int> HeldChapters(const BookContents& contents) {
    std::vector<int> held;
    for (const BookChapter& chapter : contents.chapters) {
        held.push_back(chapter.number);
    }
    return held;
}

std::optional<std::string> ReadStoryOfBook(const std::string& path) {
    return ReadInfoText(path, kStoryKey);
}

std::optional<std::vector<int>> ReadChaptersOfBook(const std::string& path) {
    const std::optional<std::string> chapters = ReadInfoText(path, kChaptersKey);
    return chapters ? ParseChapterList(*chapters) : std::nullopt;
}

}  // namespace quill
