// A story that brought nothing new keeps its books: building them again would make the
// same books, at the cost of rendering every chapter. With volumes, the same holds for each
// volume the story did not grow in.
#include "common/DebugLog.h"
#include "common/Text.h"
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

// The library's entry of the story, when this job may keep its books at all.
std::optional<LibraryStory> StoryToKeep(const JobSetup& setup, const JobRequest& request,
                                        const BookInfo& info) {
    if (!request.keepCurrentBooks || request.refresh || setup.folders.library.empty() ||
        !info.storyNumber) {
        return std::nullopt;
    }
    try {
        return OpenLibrary(setup.folders)->Find(*info.storyNumber);
    } catch (const std::exception& failure) {
        DebugLog(failure.what());  // the job records it in the log when it ends
    }
    return std::nullopt;
}

// The volume's book of every edition asked for, when each was saved from exactly these
// inputs and is still as it was saved; nothing otherwise.
std::optional<std::vector<std::string>> CurrentBooks(const LibraryStory& story,
                                                     const JobSetup& setup,
                                                     const JobRequest& request,
                                                     const BookInfo& info,
                                                     const VolumeRange& volume) {
    const std::string inputs =
        BookInputsDigest(info, setup.folders.tmpdir, StoryAddress(request.url, info.storyNumber),
                         request.choices, volume);
    std::vector<std::string> paths;
    for (const std::string& format : EditionFormats(request.format)) {
        const LibraryBook* book = story.Book(format, volume.number);
        if (book == nullptr || book->inputs != inputs || !Unchanged(*book)) {
            return std::nullopt;
        }
        paths.push_back(book->path);
    }
    return paths;
}

}  // namespace

std::optional<JobResult> KeepUpToDateBooks(const JobSetup& setup, const JobRequest& request,
                                           const BookInfo& info, IWindowLog& log) {
    const std::optional<LibraryStory> story = StoryToKeep(setup, request, info);
    if (!story) {
        return std::nullopt;
    }
    JobResult result;
    for (const VolumeRange& volume : PlannedVolumes(info, setup.folders.tmpdir, request.choices)) {
        const auto books = CurrentBooks(*story, setup, request, info, volume);
        if (!books) {
            return std::nullopt;
        }
        result.books.insert(result.books.end(), books->begin(), books->end());
    }
    if (result.books.empty()) {
        return std::nullopt;
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

std::vector<int> CurrentVolumes(const JobSetup& setup, const JobRequest& request,
                                const BookInfo& info, IWindowLog& log) {
    std::vector<int> current;
    if (request.choices.volumeChapters == 0) {
        return current;
    }
    const std::optional<LibraryStory> story = StoryToKeep(setup, request, info);
    if (!story) {
        return current;
    }
    for (const VolumeRange& volume : PlannedVolumes(info, setup.folders.tmpdir, request.choices)) {
        if (CurrentBooks(*story, setup, request, info, volume)) {
            current.push_back(volume.number);
        }
    }
    if (!current.empty()) {
        log.Log(std::string(current.size() == 1 ? "Volume " : "Volumes ") + NumberList(current) +
                (current.size() == 1 ? " has" : " have") + " no new chapters: kept as " +
                (current.size() == 1 ? "it is." : "they are."));
    }
    return current;
}

}  // namespace quill
