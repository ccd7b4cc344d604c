#include "assembly/BookBuilder.h"

#include "assembly/EpubBook.h"
#include "assembly/PdfiumCore.h"
#include "common/Paths.h"

namespace quill {

namespace {

void BuildPdf(BookJob& job, IWindowLog& log) {
    log.Log("");
    log.Log("");
    ConvertChapters(job, log);
    job.bookdir = IncludeTrailingSeparator(job.tmpdir);
    log.Log("building book ....");
    job.bookfile.clear();
    const std::string bookPath =
        IncludeTrailingSeparator(job.datadir) + MakeBookName(job.booktitle) + ".pdf";
    {
        TPdfDocument book;
        book.NewDocument();
        int total = 0;
        for (long long i = 0; i <= job.lastchapter; ++i) {
            log.ProcessMessages();
            const std::string file = job.bookdir + std::to_string(i) + ".pdf";
            if (FileExists(file)) {
                log.UpdateLog("process pdf file " + std::to_string(i) + " page " +
                              std::to_string(total));
                total += AppendPdf(file, book);
            }
        }
        book.SaveToFile(bookPath, kPdfSaveRemoveSecurity, -1);
    }
    log.Log("save pdf file " + bookPath);
    job.bookfile = bookPath;
}

}  // namespace

// The EPUB goes first: it takes seconds where the PDF takes minutes, and a failing render
// then still leaves the reader one edition.
void BuildBook(BookJob& job, IWindowLog& log) {
    job.epubfile.clear();
    if (job.format != BookFormat::Pdf) {
        BuildEpub(job, log);
    }
    if (job.format == BookFormat::Epub) {
        job.bookfile.clear();
    } else {
        BuildPdf(job, log);
    }
}

}  // namespace quill
