// A story that brought nothing new keeps its books: building them again would make the
// same books, at the cost of rendering every chapter.
#include "common/DebugLog.h"
#include "core/BookInputs.h"
#include "core/StoryAddress.h"
#include "core/StoryLibrary.h"
#include "platform/UserFolders.h"

namespace quill {

namespace {

bool Unchanged(const LibraryBook& book) {
    const std::optional<FileStamp> stamp = StampOf(book.path);
    return stamp && stamp->size == book.size && stamp->modifiedNs == book.modifiedNs;
}

}  // namespace

std::optional<JobResult> KeepUpToDateBooks(const JobSetup& setup, const JobRequest& request,
                                           const BookInfo& info, IWindowLog& log) {
    if (!request.keepCurrentBooks || request.refresh || setup.folders.library.empty() ||
        !info.storyNumber) {
        return std::nullopt;
    }
    std::optional<LibraryStory> story;
    try {
        story = OpenLibrary(setup.folders)->Find(*info.storyNumber);
    } catch (const std::exception& failure) {
        DebugLog(failure.what());  // the job records it in the log when it ends
    }
    if (!story) {
        return std::nullopt;
    }
    const std::string inputs =
        BookInputsDigest(info, setup.folders.tmpdir, StoryAddress(request.url, info.storyNumber));
    JobResult result;
    for (const std::string& format : EditionFormats(request.format)) {
        const LibraryBook* book = story->Book(format);
        if (book == nullptr || book->inputs != inputs || !Unchanged(*book)) {
            return std::nullopt;
        }
        result.books.push_back(book->path);
    }
    result.outcome = JobOutcome::Complete;
    result.bookfile = result.books.front();  // the PDF when there is one
    result.message = result.books.size() == 1 ? "No new chapters: the book is up to date."
                                              : "No new chapters: the books are up to date.";
    log.Log(result.message);
    if (request.openBook) {
        platform::OpenWithDefaultProgram(result.bookfile);
    }
    log.Log("done");
    DebugLog("done");
    return result;
}

}  // namespace quill
