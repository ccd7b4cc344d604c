// The finishing step: the merged pages become the book the reader gets, written through
// qpdf into a temporary file beside the book and renamed over its name when whole.
#include "pdf/BookFinish.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>
#include <vector>

#include "BookPdf.h"
#include "PdfFileSource.h"
#include "common/Errors.h"
#include "pdfium/PdfiumCore.h"
#include "platform/AtomicFile.h"
#include "platform/SystemError.h"

namespace quill {

namespace {

// qpdf's writer hands over many small pieces; they reach the file in blocks. The sink never
// throws: qpdf finishes its pipelines from destructors, so a second throw while the first
// unwinds would end the program. A failed write is remembered, later bytes are dropped, and
// the caller asks Failed() once the writer is done.
class AtomicFileSink : public Pipeline {
  public:
    explicit AtomicFileSink(platform::AtomicFile& file) : Pipeline("book", nullptr), file_(file) {
        buffer_.reserve(kBlock);
    }

    void write(unsigned char const* data, size_t len) override {
        if (buffer_.size() + len > kBlock) {
            Flush();
        }
        if (len >= kBlock) {
            Put(data, len);
        } else {
            buffer_.insert(buffer_.end(), data, data + len);
        }
    }

    void finish() override { Flush(); }

    bool Failed() const { return failed_; }

  private:
    static constexpr size_t kBlock = 256 * 1024;

    void Flush() {
        Put(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    void Put(const unsigned char* data, size_t len) {
        if (!failed_ && len > 0 && !file_.Write(data, len)) {
            failed_ = true;
        }
    }

    platform::AtomicFile& file_;
    std::vector<unsigned char> buffer_;
    bool failed_ = false;
};

void OpenMerged(QPDF& pdf, const std::string& mergedPdf) {
    try {
        pdf.setSuppressWarnings(true);
        pdf.processInputSource(std::make_shared<PdfFileSource>(mergedPdf));
        // Resources inherited through the page tree move onto the pages, so that the
        // number's font is added where each page's own resources are.
        QPDFPageDocumentHelper(pdf).pushInheritedAttributesToPage();
    } catch (const std::exception& e) {
        throw EPdfException(std::string("The merged book cannot be read: ") + e.what());
    }
}

void Finish(QPDF& pdf, const BookContents& contents) {
    bookpdf::SetDocumentInfo(pdf, contents);
    bookpdf::SetLanguage(pdf, contents.language);
    bookpdf::AddOutline(pdf, contents);
    bookpdf::AddPageLabels(pdf, contents.coverPages);
    if (contents.pages.dark) {
        bookpdf::PaintDarkPages(pdf, contents.coverPages);
    }
    bookpdf::DrawPageNumbers(pdf, contents.coverPages, contents.pages);
}

}  // namespace

std::shared_ptr<void> FinishBook(const std::string& mergedPdf, const BookContents& contents,
                                 platform::AtomicFile& book) {
    auto document = std::make_shared<QPDF>();
    QPDF& pdf = *document;
    OpenMerged(pdf, mergedPdf);
    Finish(pdf, contents);

    if (!book.Open()) {
        throw EFCreateError(book.Path(), platform::SystemErrorText(book.ErrorCode()));
    }
    AtomicFileSink sink(book);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&sink);
    writer.write();
    if (sink.Failed()) {
        throw EWriteError(book.Path(), platform::SystemErrorText(book.ErrorCode()));
    }
    return document;
}

void WriteFinishedBook(const std::string& mergedPdf, const BookContents& contents,
                       const std::string& bookPath) {
    platform::AtomicFile book(bookPath);
    FinishBook(mergedPdf, contents, book);
    if (!book.Commit()) {
        throw EWriteError(bookPath, platform::SystemErrorText(book.ErrorCode()));
    }
}

}  // namespace quill
