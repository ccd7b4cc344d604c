// Merging the chapter PDFs into the book.
#include "pdf/BookMerge.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "common/Paths.h"
#include "pdfium/PdfiumCore.h"
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

namespace {

std::string PageName(long long n) {
    return n == 0 ? "the cover page" : "chapter " + std::to_string(n);
}

// A page whose PDF the engine cannot open fails the build with its name and file, so that
// the reader knows what to render again.
int AppendNamed(long long n, const std::string& file, TPdfDocument& book) {
    try {
        return AppendPdf(file, book);
    } catch (const Exception& e) {
        std::string name = PageName(n);
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        throw EPdfException(name + " cannot be put into the book: \"" + file + "\": " + e.what());
    }
}

}  // namespace

void MergeChapters(BookJob& job, BuildReport& report, TPdfDocument& book, BookContents& contents,
                   const HeadingOf& headingOf) {
    int total = 0;
    // The cover page, then this book's chapters (one volume's, with volumes).
    const auto next = [&job](long long i) {
        return i == 0 ? std::max<long long>(job.firstchapter, 1) : i + 1;
    };
    for (long long i = 0; i <= job.lastchapter; i = next(i)) {
        report.ProcessMessages();
        const std::string file = job.bookdir + std::to_string(i) + ".pdf";
        if (!FileExists(file)) {
            continue;
        }
        report.Report(build::PageMerged{static_cast<int>(i), total});
        const int before = book.PageCount();
        const int count = AppendNamed(i, file, book);
        total += count;
        // Where the pages really landed: an import the engine refuses adds none.
        const int added = book.PageCount() - before;
        if (added == 0 && count > 0) {
            report.Report(build::PageLeftOut{static_cast<int>(i),
                                             "the PDF engine could not import its pages"});
            InsertChapter(job.unrendered, static_cast<int>(i));
        } else if (i == 0) {
            contents.coverPages = added;
        } else if (added > 0) {
            contents.chapters.push_back(
                {static_cast<int>(i), headingOf(static_cast<int>(i)), before});
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
