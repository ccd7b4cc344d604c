#include "assembly/BookBuilder.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

#include "assembly/BookName.h"
#include "bookjob/StagedEdition.h"
#include "cleaning/CleanedChapters.h"
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

StagedEdition StagePdf(BookJob& job, CleanedChapters& chapters, BuildReport& report) {
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
    StagedEdition staged;
    staged.edition = Edition::Pdf;
    staged.path = ChooseBookPath(job.datadir, MakeBookName(job.booktitle), ".pdf",
                                 contents.storyUrl, &ReadStoryOfBook, job.earlierStoryUrls);
    staged.held = HeldChapters(contents);
    staged.leftOut = LeftOut(job, staged.held);
    staged.chaptersOf = &ReadChaptersOfBook;
    staged.file = std::make_unique<platform::AtomicFile>(staged.path);
    FinishBook(merged.TempPath(), contents, *staged.file);
    if (!staged.file->SyncContents()) {
        throw EWriteError(staged.path, platform::SystemErrorText(staged.file->ErrorCode()));
    }
    // Read by the render benchmark, which times these steps apart from the rendering.
    DebugLog("book: merged in " + std::to_string(mergeMs) + " ms, finished in " +
             std::to_string(MillisecondsSince(finishStart)) + " ms");
    return staged;
}

// Nothing of a staged build reaches the window until it is saved.
class NoWindow : public IWindowLog {
  public:
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

using EditionMade = std::function<void(StagedEdition)>;

// The EPUB goes first: it takes seconds where the PDF takes minutes, and a failing render
// then still leaves the reader one edition once it is saved.
void MakeEditions(BookJob& job, CleanedChapters& chapters, BuildReport& report,
                  const EditionMade& made) {
    job.epubfile.clear();
    job.kept.clear();
    if (job.format != BookFormat::Pdf) {
        report.Report(build::EditionStarted{Edition::Epub});
        made(StageEpub(job,
                       ChooseBookPath(job.datadir, MakeBookName(job.booktitle), ".epub",
                                      job.storyurl, &StoryOfEpub, job.earlierStoryUrls),
                       chapters, report));
    }
    if (job.format == BookFormat::Epub) {
        job.bookfile.clear();
    } else {
        made(StagePdf(job, chapters, report));
    }
}

}  // namespace

void BuildBook(BookJob& job, IWindowLog& log) {
    BuildReport report(log, job.progress);
    // Each chapter is cleaned once for both editions and the outline. With both, the EPUB
    // cleans every chapter first and leaves the rendered copies for the PDF.
    CleanedChapters chapters(job.tmpdir, job.format == BookFormat::PdfAndEpub);
    MakeEditions(job, chapters, report,
                 [&](StagedEdition edition) { SaveEdition(job, edition, report); });
}

StagedBook StageBook(BookJob& job) {
    StagedBook staged;
    NoWindow silent;
    BuildReport report(silent,
                       [&staged](const BuildEvent& event) { staged.events.push_back(event); });
    CleanedChapters chapters(job.tmpdir, job.format == BookFormat::PdfAndEpub);
    MakeEditions(job, chapters, report, [&staged](StagedEdition edition) {
        staged.editions.push_back({staged.events.size(), std::move(edition)});
    });
    return staged;
}

void SaveStagedBook(BookJob& job, StagedBook& staged, IWindowLog& log) {
    BuildReport report(log, job.progress);
    size_t told = 0;
    const auto tellUpTo = [&](size_t end) {
        for (; told < end && told < staged.events.size(); ++told) {
            report.Report(staged.events[told]);
        }
    };
    for (StagedBook::Part& part : staged.editions) {
        tellUpTo(part.eventsBefore);
        SaveEdition(job, part.edition, report);
    }
    tellUpTo(staged.events.size());
}

bool IsBuildProduct(const std::string& name) {
    const auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::string_view view(name);
    constexpr std::string_view kCopy = ".render-", kHtml = ".html", kPdf = ".pdf";
    const bool page = view.size() > kPdf.size() && view.substr(view.size() - kPdf.size()) == kPdf &&
                      digits(view.substr(0, view.size() - kPdf.size()));
    const bool copy = view.size() > kCopy.size() + kHtml.size() &&
                      view.substr(0, kCopy.size()) == kCopy &&
                      view.substr(view.size() - kHtml.size()) == kHtml &&
                      digits(view.substr(kCopy.size(), view.size() - kCopy.size() - kHtml.size()));
    return page || copy || name == "book.pdf" || platform::IsLeftoverName(name);
}

}  // namespace quill
