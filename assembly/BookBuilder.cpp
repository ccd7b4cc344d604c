#include "assembly/BookBuilder.h"

#include "assembly/PdfiumCore.h"
#include "common/Paths.h"

namespace quill {

void BuildBook(BookJob& job, IWindowLog& log) {
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

}  // namespace quill
