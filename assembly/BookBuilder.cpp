#include "assembly/BookBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>

#include "assembly/BookName.h"
#include "assembly/BookRecord.h"
#include "bookjob/StagedEdition.h"
#include "cleaning/CleanedChapters.h"
#include "cleaning/StoryLanguage.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "common/Utf8.h"
#include "epub/EpubBook.h"
#include "page/BookStyle.h"
#include "pdf/BookFinish.h"
#include "pdf/BookMerge.h"
#include "pdfium/PdfiumCore.h"
#include "pictures/BookPictures.h"
#include "platform/AtomicFile.h"
#include "platform/SystemError.h"
#include "render/ConvertChapters.h"

namespace quill {

namespace {

using Clock = std::chrono::steady_clock;

VolumeRange RangeOf(const BookJob& job) {
    return {job.volume, job.firstchapter, job.lastchapter};
}

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
    for (long long n = std::max(job.firstchapter, 1); n <= job.lastchapter; ++n) {
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
    for (long long n = std::max(job.firstchapter, 1); n <= job.lastchapter; ++n) {
        const int number = static_cast<int>(n);
        if (!std::binary_search(held.begin(), held.end(), number) &&
            FileExists(JoinPath(job.tmpdir, std::to_string(n) + ".html"))) {
            InsertChapter(leftOut, number);
        }
    }
    return leftOut;
}

// This book's name: the story's, and which volume it is.
std::string NameOf(const BookJob& job) {
    return MakeBookName(job.booktitle) + VolumeSuffix(RangeOf(job));
}

// Where this book's edition is saved, and the same volume's books under other names (the
// last volume's name grows with the story), which the saved book replaces.
struct BookPlace {
    std::string path;
    std::vector<std::string> renamed;
};

BookPlace PlaceOf(const BookJob& job, const std::string& ext, const StoryOfBook& storyOf,
                  const std::string& storyUrl) {
    BookPlace place;
    place.path =
        ChooseBookPath(job.datadir, NameOf(job), ext, storyUrl, storyOf, job.earlierStoryUrls);
    for (std::string& other : VolumeBooks(job.datadir, MakeBookName(job.booktitle), RangeOf(job),
                                          ext, storyUrl, storyOf, job.earlierStoryUrls)) {
        if (other != place.path) {
            place.renamed.push_back(std::move(other));
        }
    }
    return place;
}

// Never a worse book: an earlier book of the volume under another name is removed only
// when the new one holds every chapter it holds.
void RemoveRenamed(const std::vector<std::string>& renamed, const std::vector<int>& held) {
    for (const std::string& earlier : renamed) {
        const std::optional<std::vector<int>> chapters = RecordedChapters(earlier);
        if (chapters &&
            std::includes(held.begin(), held.end(), chapters->begin(), chapters->end())) {
            std::remove(earlier.c_str());
        }
    }
}

PageFinish FinishOf(const BookChoices& choices) {
    const PageGeometry page = GeometryOf(choices.page);
    return PageFinish{page.bottomMm, page.numberPoints, choices.dark};
}

// Merges the cover page and the book's chapters, rendered already, into the book, which
// waits whole beside its name; nothing when none of its chapters could be put into it.
std::optional<VolumeEdition> StagePdf(BookJob& job, CleanedChapters& chapters,
                                      BuildReport& report) {
    report.Report(build::Merging{});
    job.bookfile.clear();
    BookContents contents;
    contents.title = job.booktitle + VolumeTitleSuffix(RangeOf(job));
    contents.author = job.bookauthor;
    contents.language = job.booklanguage;
    contents.storyUrl = SanitizeUtf8(job.storyurl);
    contents.pages = FinishOf(job.choices);

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
            return std::nullopt;
        }
        SaveMerged(book, merged);
    }
    const long long mergeMs = MillisecondsSince(mergeStart);
    StopIfCancelled(job);  // the last point where leaving costs nothing

    const Clock::time_point finishStart = Clock::now();
    BookPlace place = PlaceOf(job, ".pdf", &ReadStoryOfBook, contents.storyUrl);
    VolumeEdition made;
    made.volume = RangeOf(job);
    made.replaces = std::move(place.renamed);
    StagedEdition& staged = made.edition;
    staged.edition = Edition::Pdf;
    staged.path = place.path;
    staged.held = HeldChapters(contents);
    staged.leftOut = LeftOut(job, staged.held);
    staged.chaptersOf = &ReadChaptersOfBook;
    staged.file = std::make_unique<platform::AtomicFile>(staged.path);
    staged.leftovers = FinishBook(merged.TempPath(), contents, *staged.file);
    if (!staged.file->SyncContents()) {
        throw EWriteError(staged.path, platform::SystemErrorText(staged.file->ErrorCode()));
    }
    // Read by the render benchmark, which times these steps apart from the rendering.
    DebugLog("book: merged in " + std::to_string(mergeMs) + " ms, finished in " +
             std::to_string(MillisecondsSince(finishStart)) + " ms");
    return made;
}

// One volume's part of the build (or the whole story's, for volume 0), with what the
// whole build knows of its chapters.
BookJob PartOf(const BookJob& whole, const VolumeRange& volume) {
    BookJob part = whole;
    part.firstchapter = volume.first;
    part.lastchapter = volume.last;
    part.volume = volume.number;
    const auto outside = [&volume](int n) {
        return n != 0 && (n < volume.first || n > volume.last);
    };
    part.notDownloaded.erase(
        std::remove_if(part.notDownloaded.begin(), part.notDownloaded.end(), outside),
        part.notDownloaded.end());
    part.unrendered.erase(std::remove_if(part.unrendered.begin(), part.unrendered.end(), outside),
                          part.unrendered.end());
    return part;
}

// What a part leaves for the whole build: the chapters it could not put into its book.
// Its book is saved, or kept, for the whole build (SaveMade).
void TakeUnrendered(BookJob& whole, const BookJob& part) {
    for (const int n : part.unrendered) {
        InsertChapter(whole.unrendered, n);
    }
}

using EditionMade = std::function<void(VolumeEdition)>;

void MakePdf(BookJob& job, CleanedChapters& chapters, BuildReport& report,
             const std::vector<VolumeRange>& volumes, const EditionMade& made) {
    report.Report(build::EditionStarted{Edition::Pdf});
    ConvertChapters(job, chapters, report);
    // In order and once each, also after the EPUB noted chapters of its own.
    std::sort(job.unrendered.begin(), job.unrendered.end());
    job.unrendered.erase(std::unique(job.unrendered.begin(), job.unrendered.end()),
                         job.unrendered.end());
    job.bookdir = IncludeTrailingSeparator(job.tmpdir);
    job.bookfile.clear();
    bool anyBook = false;
    for (const VolumeRange& volume : volumes) {
        BookJob part = PartOf(job, volume);
        std::optional<VolumeEdition> edition = StagePdf(part, chapters, report);
        TakeUnrendered(job, part);
        if (edition) {
            anyBook = true;
            made(std::move(*edition));
        }
    }
    if (!anyBook) {
        throw EEmptyBook("No chapter could be put into the book, so it was not saved: " +
                         NoChapterReason(job) + ".");
    }
}

void MakeEpubs(BookJob& job, CleanedChapters& chapters, BuildReport& report,
               const std::vector<VolumeRange>& volumes, const EditionMade& made) {
    report.Report(build::EditionStarted{Edition::Epub});
    std::optional<EEmptyBook> empty;
    bool anyBook = false;
    for (const VolumeRange& volume : volumes) {
        BookJob part = PartOf(job, volume);
        BookPlace place = PlaceOf(part, ".epub", &StoryOfEpub, part.storyurl);
        std::optional<VolumeEdition> edition;
        try {
            edition = VolumeEdition{StageEpub(part, place.path, chapters, report), volume,
                                    std::move(place.renamed)};
        } catch (const EEmptyBook& e) {
            // With volumes, the others are still made.
            empty = e;
        }
        TakeUnrendered(job, part);
        if (edition) {
            anyBook = true;
            made(std::move(*edition));
        }
    }
    if (empty && !anyBook) {
        throw *empty;
    }
}

// The chapter files of the work folder, in order.
std::vector<int> ChapterFiles(const BookJob& job) {
    std::vector<int> numbers;
    for (long long n = 1; n <= job.lastchapter; ++n) {
        if (FileExists(JoinPath(job.tmpdir, std::to_string(n) + ".html"))) {
            numbers.push_back(static_cast<int>(n));
        }
    }
    return numbers;
}

// The volumes this build makes: all of them, but those the caller keeps as they are.
std::vector<VolumeRange> VolumesToMake(const BookJob& job) {
    std::vector<VolumeRange> volumes =
        PlanVolumes(ChapterFiles(job), job.choices.volumeChapters, job.lastchapter);
    volumes.erase(std::remove_if(volumes.begin(), volumes.end(),
                                 [&job](const VolumeRange& volume) {
                                     return std::find(job.keepVolumes.begin(),
                                                      job.keepVolumes.end(),
                                                      volume.number) != job.keepVolumes.end();
                                 }),
                  volumes.end());
    return volumes;
}

// A picture left out of the book is told, in the log and to the job, where it happens.
CleanedChapters::PictureNote PictureReport(BookJob& job, BuildReport& report) {
    return [&job, &report](int chapter, const std::string& src, const std::string& why) {
        ++job.picturesLeftOut[chapter];
        report.Report(build::PictureLeftOut{chapter, src, why});
    };
}

// The EPUB goes first: it takes seconds where the PDF takes minutes, and a failing render
// then still leaves the reader one edition once it is saved.
void MakeEditions(BookJob& job, BuildReport& report, const EditionMade& made) {
    job.epubfile.clear();
    job.kept.clear();
    job.saved.clear();
    job.firstchapter = 1;
    job.volume = 0;
    job.picturesLeftOut.clear();
    // Both editions and the library name the same language: the site's, else the one the
    // chapters' script tells, else "und".
    job.booklanguage = BookLanguage(job.booklanguage, job.tmpdir, job.lastchapter);
    // Each chapter is cleaned once for both editions and the outline. With both, the EPUB
    // cleans every chapter first and leaves the rendered copies for the PDF. Only the
    // rendered copies get soft hyphens, and only for justified text.
    BookPictures pictures(job.tmpdir);
    CleanedChapters chapters(
        job.tmpdir, job.format == BookFormat::PdfAndEpub, job.booklanguage,
        job.choices.ragged || job.format == BookFormat::Epub ? "" : job.booklanguage,
        job.pictures ? &pictures : nullptr, PictureReport(job, report));
    std::vector<VolumeRange> volumes = VolumesToMake(job);
    if (volumes.empty()) {
        if (!job.keepVolumes.empty()) {
            return;  // every volume stays as it is
        }
        // No chapter at all: the whole story's book, which says why it cannot be made.
        volumes = PlanVolumes({}, 0, job.lastchapter);
    }
    if (job.format != BookFormat::Pdf) {
        MakeEpubs(job, chapters, report, volumes, made);
    }
    if (job.format == BookFormat::Epub) {
        job.bookfile.clear();
    } else {
        MakePdf(job, chapters, report, volumes, made);
    }
}

// Saves a volume's edition as SaveEdition does; a saved one replaces the volume's books
// under other names that hold no chapter it lacks. job.bookfile and job.epubfile name the
// first volume saved.
void SaveMade(BookJob& job, VolumeEdition& made, BuildReport& report) {
    if (!SaveEdition(job, made.edition, report)) {
        return;
    }
    RemoveRenamed(made.replaces, made.edition.held);
    job.saved.push_back({made.edition.path, made.volume});
    std::string& first = made.edition.edition == Edition::Pdf ? job.bookfile : job.epubfile;
    if (first.empty()) {
        first = made.edition.path;
    }
}

// The PDFs first, each edition in the order of its volumes.
void OrderSaved(BookJob& job) {
    std::stable_partition(job.saved.begin(), job.saved.end(),
                          [](const SavedBook& book) { return !EndsWith(book.path, ".epub"); });
}

}  // namespace

void BuildBook(BookJob& job, IWindowLog& log) {
    BuildReport report(log, job.progress);
    MakeEditions(job, report, [&](VolumeEdition made) { SaveMade(job, made, report); });
    OrderSaved(job);
}

StagedBook StageBook(BookJob& job) {
    StagedBook staged;
    // Nothing of a staged build reaches the window until it is saved.
    SilentWindowLog silent;
    BuildReport report(silent,
                       [&staged](const BuildEvent& event) { staged.events.push_back(event); });
    MakeEditions(job, report, [&staged](VolumeEdition made) {
        staged.editions.push_back({staged.events.size(), std::move(made)});
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
        SaveMade(job, part.made, report);
    }
    tellUpTo(staged.events.size());
    OrderSaved(job);
}

bool IsBuildProduct(const std::string& name) {
    constexpr std::string_view kPdf = ".pdf";
    // The rendered pages ("N.pdf") and the merged ones are the builder's own.
    const bool page = EndsWith(name, kPdf) &&
                      IsDecimalDigits(std::string_view(name).substr(0, name.size() - kPdf.size()));
    return page || name == "book.pdf" || CleanedChapters::IsRenderedCopyName(name) ||
           BookPictures::IsCopyName(name) || name == kBookStyleFile || name == kCoverStyleFile ||
           platform::IsLeftoverName(name);
}

}  // namespace quill
