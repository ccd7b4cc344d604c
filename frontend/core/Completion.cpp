#include "core/Completion.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "BookAhead.h"
#include "assembly/BookBuilder.h"
#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "core/CoverPage.h"
#include "core/DownloadFailure.h"
#include "core/StoryAddress.h"
#include "core/StoryLibrary.h"
#include "platform/UserFolders.h"
#include "render/RenderSettings.h"

namespace quill {

const char* const kUnfinished = "Downloading not finish, click Download button it again";

namespace {

std::string Plural(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Why a download did not finish, and whether another click may help; nothing when it did.
std::optional<FailureAdvice> Unfinished(const DownloaderEnd& end, const BookInfo& info) {
    if (end.termSignal != 0) {
        return FailureAdvice{
            "The downloader was ended by signal " + std::to_string(end.termSignal) + ".", true};
    }
    if (info.fatal) {
        return AdviceFor(*info.fatal);
    }
    if (end.exitCode != 0) {
        return FailureAdvice{
            "The downloader stopped with exit status " + std::to_string(end.exitCode) + ".", true};
    }
    if (!info.done) {
        return FailureAdvice{"The downloader ended before it was done.", true};
    }
    if (!info.title || !info.chapterCount) {
        return FailureAdvice{"The run log names no story or no chapter count.", true};
    }
    return std::nullopt;
}

}  // namespace

BookJob MakeBookJob(const JobSetup& setup, const JobRequest& request, const BookInfo& info,
                    const std::function<bool()>& cancelled, const BuildProgress& progress) {
    BookJob job;
    job.tmpdir = setup.folders.tmpdir;
    job.datadir = setup.folders.datadir;
    job.booktitle = *info.title;
    job.bookauthor = info.author.value_or("");
    job.booklanguage = info.language.value_or("");
    job.lastchapter = *info.chapterCount;
    job.storyurl = StoryAddress(request.url, info.storyNumber);
    job.earlierStoryUrls = EarlierStoryAddresses(request.url, info.storyNumber);
    job.format = request.format;
    job.choices = request.choices;
    job.renderer = setup.renderer;
    job.renderCache = setup.folders.renderCache;
    job.renderAgain = request.refresh;
    job.pictures = request.pictures;
    job.chapterTimeout = ChapterTimeoutSetting();
    job.renderWorkers = RenderWorkersSetting();
    job.cancelled = cancelled;
    job.progress = progress;
    job.notDownloaded = MissingChapters(info, setup.folders.tmpdir);
    return job;
}

BookJob BookJobAhead(const JobSetup& setup, const JobRequest& request, const BookInfo& info,
                     const std::function<bool()>& cancelled) {
    // Nothing made ahead speaks in the window; the build after the download says it all.
    SilentWindowLog silent;
    BookJob job = MakeBookJob(setup, request, info, cancelled, nullptr);
    job.keepVolumes = CurrentVolumes(setup, request, info, silent);
    return job;
}

namespace {

// Builds the book, or saves the one made ahead when it was made from what the download
// left (`lines`, the whole run log); on failure (after a log line) why it failed.
std::optional<std::string> Build(BookJob& job, IWindowLog& log, BookAhead* ahead,
                                 const std::vector<std::string>& lines) {
    try {
        if (ahead != nullptr) {
            std::optional<BookAhead::Made> made = ahead->TakeBook(lines);
            if (made && made->job.keepVolumes != job.keepVolumes) {
                // The library changed its mind about the volumes that stay as they are.
                DebugLog("book made ahead dropped: other volumes are to be made");
                made.reset();
            }
            if (made) {
                made->job.cancelled = job.cancelled;
                made->job.progress = job.progress;
                job = std::move(made->job);
                SaveStagedBook(job, made->book, log);
                DebugLog("the book made ahead is saved");
                return std::nullopt;
            }
            job.renderedAnew = ahead->RenderedAnew();
        }
        BuildBook(job, log);
        return std::nullopt;
    } catch (const EBuildCancelled&) {
        return "";  // said by the caller
    } catch (const std::exception& failure) {
        log.Log(failure.what());
        return failure.what();
    } catch (...) {
        log.Log("Book building failed");
    }
    return "Book building failed";
}

// "2 chapters could not be put into the book: 1, 3.", naming the cover page as such.
std::string UnrenderedMessage(std::vector<int> unrendered) {
    std::sort(unrendered.begin(), unrendered.end());
    unrendered.erase(std::unique(unrendered.begin(), unrendered.end()), unrendered.end());
    const bool cover = unrendered.front() == 0;
    const std::vector<int> chapters(unrendered.begin() + (cover ? 1 : 0), unrendered.end());
    if (chapters.empty()) {
        return "The cover page could not be put into the book.";
    }
    return (cover ? "The cover page and " : "") + Plural(chapters.size(), "chapter", "chapters") +
           " could not be put into the book: " + NumberList(chapters) + ".";
}

JobResult Ended(JobOutcome outcome, const std::string& message, IWindowLog& log) {
    JobResult result;
    result.outcome = outcome;
    result.message = message;
    log.Log(message);
    return result;
}

}  // namespace

std::vector<int> MissingChapters(const BookInfo& info, const std::string& tmpdir) {
    std::vector<int> missing;
    for (const ChapterLine& chapter : info.chapters) {
        if (!FileExists(tmpdir + "/" + std::to_string(chapter.position) + ".html")) {
            missing.push_back(chapter.position);
        }
    }
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    return missing;
}

std::string MissingChaptersMessage(const std::vector<int>& missing) {
    return Plural(missing.size(), "chapter", "chapters") +
           " could not be downloaded: " + NumberList(missing) + ". Click Download to fetch just " +
           (missing.size() == 1 ? "that one." : "those.");
}

std::string PicturesLeftOutMessage(const std::map<int, int>& leftOut) {
    int total = 0;
    std::string where;
    for (const auto& [chapter, count] : leftOut) {
        total += count;
        where += (where.empty() ? "" : ", ") + std::to_string(count) + " in chapter " +
                 std::to_string(chapter);
    }
    return std::to_string(total) + (total == 1 ? " picture is" : " pictures are") +
           " not in the book: " + where + ". The lines above say why.";
}

JobResult DownloadFinished(const JobSetup& setup, const JobRequest& request,
                           const DownloaderEnd& end, IWindowLog& log,
                           const std::function<bool()>& cancelled, const BuildProgress& progress,
                           BookAhead* ahead) {
    const std::string& tmpdir = setup.folders.tmpdir;
    if (end.stopped) {
        return Ended(JobOutcome::Stopped, "The download was stopped.", log);
    }
    if (!FileExists(setup.folders.logfile)) {
        if (!end.started) {
            log.Log("The downloader " + setup.launcher +
                    " could not be started: " + end.startError + ".");
        }
        return Ended(JobOutcome::Failed, "Failed find log file", log);
    }
    const std::vector<std::string> lines =
        SplitLogLines(TryReadFileBytes(setup.folders.logfile).value_or(""));
    const BookInfo info = ReadBookInfo(lines);
    if (const std::optional<FailureAdvice> unfinished = Unfinished(end, info)) {
        // The advice to click again is given only where clicking again can help.
        JobResult result = Ended(JobOutcome::Failed, unfinished->message, log);
        if (unfinished->retryHelps) {
            log.Log(kUnfinished);
        }
        return result;
    }
    const std::vector<int> notDownloaded = MissingChapters(info, tmpdir);
    if (info.chapters.size() == notDownloaded.size()) {
        return Ended(JobOutcome::Failed,
                     *info.chapterCount == 0
                         ? "The story has no chapters."
                         : "No chapter could be downloaded. " + std::string(kUnfinished),
                     log);
    }
    if (notDownloaded.empty()) {
        if (std::optional<JobResult> current = KeepUpToDateBooks(setup, request, info, log)) {
            return *current;
        }
    }
    WriteFileAtomic(tmpdir + "/0.html", CoverPageHtml());

    BookJob job = MakeBookJob(setup, request, info, cancelled, progress);
    job.keepVolumes = CurrentVolumes(setup, request, info, log);
    const std::optional<std::string> failure = Build(job, log, ahead, lines);
    if (cancelled && cancelled()) {
        return Ended(JobOutcome::Stopped, "The book was not finished: the program is closing.",
                     log);
    }
    if (failure) {
        JobResult failed;
        failed.message = failure->empty() ? "The book could not be made." : *failure;
        return failed;
    }
    JobResult result;
    result.language = job.booklanguage;
    // The PDF opens; the EPUB when it is the only edition saved.
    result.bookfile = !job.bookfile.empty() ? job.bookfile : job.epubfile;
    for (const SavedBook& saved : job.saved) {
        result.books.push_back(saved.path);
    }
    result.saved = job.saved;
    result.missing = notDownloaded;
    result.missing.insert(result.missing.end(), job.unrendered.begin(), job.unrendered.end());
    std::sort(result.missing.begin(), result.missing.end());
    result.missing.erase(std::unique(result.missing.begin(), result.missing.end()),
                         result.missing.end());
    result.outcome =
        result.missing.empty() && job.kept.empty() ? JobOutcome::Complete : JobOutcome::Incomplete;
    if (request.openBook && !result.bookfile.empty()) {
        platform::OpenWithDefaultProgram(result.bookfile);
    }
    if (!notDownloaded.empty()) {
        result.message = MissingChaptersMessage(notDownloaded);
        log.Log(result.message);
    }
    if (!job.unrendered.empty()) {
        result.message = UnrenderedMessage(job.unrendered);
        log.Log(result.message);
    }
    for (const KeptBook& kept : job.kept) {
        result.message = KeptBookMessage(kept);
        log.Log(result.message);
    }
    // Pictures left out make no chapter missing: the book is complete all the same.
    std::map<int, int> picturesLeftOut = info.picturesLeftOut;
    for (const auto& [chapter, count] : job.picturesLeftOut) {
        picturesLeftOut[chapter] += count;
    }
    if (!picturesLeftOut.empty()) {
        log.Log(PicturesLeftOutMessage(picturesLeftOut));
    }
    log.Log("done");
    DebugLog("done");
    return result;
}

}  // namespace quill
