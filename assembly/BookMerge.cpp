// Merging the chapter PDFs into the book.
#include "BookMerge.h"

#include <filesystem>
#include <fstream>

#include "assembly/PdfiumCore.h"
#include "common/Paths.h"
#include "platform/SystemError.h"

namespace quill {

int AppendPdf(const std::string& FileName, TPdfDocument& Book) {
    if (!FileExists(FileName)) {
        return 0;
    }
    TPdfDocument source;
    source.LoadFromFile(FileName, "", TPdfDocumentLoadOption::dloMMF);
    const int count = source.PageCount();
    Book.ImportPages(source, "", -1);
    return count;
}

void MergeChapters(const BookJob& job, IWindowLog& log, TPdfDocument& book,
                   BookContents& contents) {
    int total = 0;
    for (long long i = 0; i <= job.lastchapter; ++i) {
        log.ProcessMessages();
        const std::string file = job.bookdir + std::to_string(i) + ".pdf";
        if (!FileExists(file)) {
            continue;
        }
        log.UpdateLog("process pdf file " + std::to_string(i) + " page " + std::to_string(total));
        const int before = book.PageCount();
        total += AppendPdf(file, book);
        // Where the pages really landed: an import the engine refuses adds none.
        const int added = book.PageCount() - before;
        if (i == 0) {
            contents.coverPages = added;
        } else if (added > 0) {
            const std::string html = job.bookdir + std::to_string(i) + ".html";
            contents.chapters.push_back({static_cast<int>(i), ReadChapterHeading(html), before});
        }
    }
}

void SaveMerged(TPdfDocument& book, const platform::AtomicFile& scratch) {
    const std::string& path = scratch.Path();
    std::ofstream out(std::filesystem::u8path(scratch.TempPath()),
                      std::ios::binary | std::ios::trunc);
    if (!out) {
        throw EFCreateError(path, platform::SystemErrorText(platform::LastSystemError()));
    }
    const bool saved = book.SaveToStream(out, kPdfSaveRemoveSecurity, -1);
    const int error = platform::LastSystemError();
    out.close();
    if (!saved || out.fail()) {
        throw EWriteError(path, error != 0 ? platform::SystemErrorText(error)
                                           : "The PDF engine could not save the merged pages");
    }
}

}  // namespace quill
