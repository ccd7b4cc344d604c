#include "assembly/BookBuilder.h"

#include <algorithm>
#include <chrono>

#include "assembly/BookName.h"
#include "cleaning/CleanedChapters.h"
#include "cleaning/StoryLanguage.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "common/Utf8.h"
#include "epub/EpubBook.h"
#include "pdf/BookFinish.h"
#include "pdf/BookMerge.h"
#include "pdfium/PdfiumCore.h"
#include "platform/AtomicFile.h"
#include "platform/SystemError.h"
#include "render/ConvertChapters.h"

namespace quill {

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Between the steps of a build, as ConvertChapters does between its pages.
void StopIfCancelled(const BookJob& job) {
    if (job.cancelled && job.cancelled()) {
        throw EBuildCancelled("The book build was cancelled");
    }
}

// Why a build that holds no chapter made none.
std::string NoChapterReason(const BookJob& job) {
    const auto failed = [&job](long long n) {
        return std::binary_search(job.unrendered.begin(), job.unrendered.end(),
                                  static_cast<int>(n));
    };
    const auto exists = [&job](long long n) {
        return FileExists(JoinPath(job.tmpdir, std::to_string(n) + ".html"));
    };
    bool anyChapter = false, everyChapterFailed = true;
    for (long long n = 1; n <= job.lastchapter; ++n) {
        if (exists(n)) {
            anyChapter = true;
            everyChapterFailed = everyChapterFailed && failed(n);
        }
    }
    if (!anyChapter) {
        return "the work folder holds no chapter file";
    }
    if (!everyChapterFailed) {
        return "no chapter's pages reached the book";
    }
    return !exists(0) || failed(0) ? "every page failed to render"
                                   : "every chapter failed to render";
}

// The chapter files of the work folder that are not in the book, with the chapters the
// download left out: what a complete build lacks.
std::vector<int> LeftOut(const BookJob& job, const std::vector<int>& held) {
    std::vector<int> leftOut = job.notDownloaded;
    for (long long n = 1; n <= job.lastchapter; ++n) {
        const int number = static_cast<int>(n);
        if (!std::binary_search(held.begin(), held.end(), number) &&
            FileExists(JoinPath(job.tmpdir, std::to_string(n) + ".html"))) {
            InsertChapter(leftOut, number);
        }
    }
    return leftOut;
}

void BuildPdf(BookJob& job, CleanedChapters& chapters, BuildReport& report) {
    report.Report(build::EditionStarted{Edition::Pdf});
    ConvertChapters(job, chapters, report);
    // In order and once each, also after the EPUB noted chapters of its own.
    std::sort(job.unrendered.begin(), job.unrendered.end());
    job.unrendered.erase(std::unique(job.unrendered.begin(), job.unrendered.end()),
                         job.unrendered.end());
    job.bookdir = IncludeTrailingSeparator(job.tmpdir);
    report.Report(build::Merging{});
    job.bookfile.clear();
    BookContents contents;
    contents.title = job.booktitle;
    contents.author = job.bookauthor;
    contents.language = job.booklanguage;
    contents.storyUrl = SanitizeUtf8(job.storyurl);

    // The merged pages go to a scratch file in the work folder, removed when the build
    // ends; only the finished book reaches the data folder.
    const Clock::time_point mergeStart = Clock::now();
    platform::AtomicFile merged(job.bookdir + "book.pdf");
    if (!merged.Open()) {
        throw EFCreateError(merged.Path(), platform::SystemErrorText(merged.ErrorCode()));
    }
    {
        TPdfDocument book;
        book.NewDocument();
        MergeChapters(job, report, book, contents,
                      [&chapters](int number) { return chapters.Heading(number); });
        if (contents.chapters.empty()) {
            throw EEmptyBook("No chapter could be put into the book, so it was not saved: " +
                             NoChapterReason(job) + ".");
        }
        SaveMerged(book, merged);
    }
    const long long mergeMs = MillisecondsSince(mergeStart);
    StopIfCancelled(job);  // the last point where leaving costs nothing

    const Clock::time_point finishStart = Clock::now();
    const std::string bookPath =
        ChooseBookPath(job.datadir, MakeBookName(job.booktitle), ".pdf", contents.storyUrl,
                       &ReadStoryOfBook, job.earlierStoryUrls);
    const std::vector<int> held = HeldChapters(contents);
    if (auto kept = KeepEarlierBook(bookPath, &ReadChaptersOfBook, held, LeftOut(job, held))) {
        job.kept.push_back(std::move(*kept));
        return;
    }
    report.Report(build::Saving{Edition::Pdf});
    WriteFinishedBook(merged.TempPath(), contents, bookPath);
    // Read by the render benchmark, which times these steps apart from the rendering.
    DebugLog("book: merged in " + std::to_string(mergeMs) + " ms, finished in " +
             std::to_string(MillisecondsSince(finishStart)) + " ms");
    report.Report(build::EditionSaved{Edition::Pdf, bookPath});
    job.bookfile = bookPath;
}

}  // namespace

// The EPUB goes first: it takes seconds where the PDF takes minutes, and a failing render
// then still leaves the reader one edition.
void BuildBook(BookJob& job, IWindowLog& log) {
    job.epubfile.clear();
    job.kept.clear();
    BuildReport report(log, job.progress);
    // Both editions and the library name the same language: the site's, else the one the
    // chapters' script tells, else "und".
    job.booklanguage = BookLanguage(job.booklanguage, job.tmpdir, job.lastchapter);
    // Each chapter is cleaned once for both editions and the outline. With both, the EPUB
    // cleans every chapter first and leaves the rendered copies for the PDF.
    CleanedChapters chapters(job.tmpdir, job.format == BookFormat::PdfAndEpub, job.booklanguage);
    if (job.format != BookFormat::Pdf) {
        report.Report(build::EditionStarted{Edition::Epub});
        BuildEpub(job,
                  ChooseBookPath(job.datadir, MakeBookName(job.booktitle), ".epub", job.storyurl,
                                 &StoryOfEpub, job.earlierStoryUrls),
                  chapters, report);
    }
    if (job.format == BookFormat::Epub) {
        job.bookfile.clear();
    } else {
        BuildPdf(job, chapters, report);
    }
}

}  // namespace quill
