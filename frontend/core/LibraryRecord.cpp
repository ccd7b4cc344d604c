// What a job leaves in the library.
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "assembly/BookRecord.h"
#include "bookjob/ChapterRecord.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/SiteAddress.h"
#include "core/BookInputs.h"
#include "core/StoryAddress.h"
#include "core/StoryLibrary.h"

namespace quill {

namespace {

const char* OutcomeName(JobOutcome outcome) {
    switch (outcome) {
        case JobOutcome::Complete:
            return "complete";
        case JobOutcome::Incomplete:
            return "incomplete";
        case JobOutcome::Stopped:
            return "stopped";
        case JobOutcome::Failed:
        case JobOutcome::Refused:
        case JobOutcome::BadAddress:
            break;
    }
    return "failed";
}

int ChaptersInWorkFolder(const BookInfo& info, const std::string& tmpdir) {
    int kept = 0;
    for (const ChapterLine& chapter : info.chapters) {
        kept += FileExists(tmpdir + "/" + std::to_string(chapter.position) + ".html");
    }
    return kept;
}

int FetchedChapters(const BookInfo& info, const std::string& tmpdir) {
    int fetched = 0;
    for (const ChapterLine& chapter : info.chapters) {
        fetched += !chapter.savedCopy &&
                   FileExists(tmpdir + "/" + std::to_string(chapter.position) + ".html");
    }
    return fetched;
}

LibraryBook BookRecord(const std::string& path, const std::string& inputs) {
    LibraryBook book;
    book.format = EditionOfFile(path);
    book.path = path;
    const std::optional<std::vector<int>> chapters = RecordedChapters(path);
    book.chapters = chapters ? FormatChapterList(*chapters) : "";
    book.inputs = inputs;
    if (const std::optional<FileStamp> stamp = StampOf(path)) {
        book.size = stamp->size;
        book.modifiedNs = stamp->modifiedNs;
    }
    return book;
}

// The address an update reads the story at. The one pasted, when it was the story page's:
// the site answers a story's number alone, or an old slug, with a redirect to its own
// address, which would cost a second request at every check.
std::string UpdateAddress(const std::string& pasted, uint64_t number, const std::string& recorded) {
    const std::optional<SiteAddress> site = ReadSiteAddress(pasted);
    constexpr size_t kAfterStory = sizeof("/story/") - 1;
    if (site && site->story == number && site->path.find('/', kAfterStory) == std::string::npos) {
        return site->origin + site->path;
    }
    return recorded.empty() ? StoryAddress(pasted, number) : recorded;
}

}  // namespace

LibraryRecorder::LibraryRecorder(const JobSetup& setup, const JobRequest& request, IWindowLog& log)
    : setup_(setup), request_(request), log_(log), number_(StoryNumberIn(request.url)) {}

std::unique_ptr<Library> LibraryRecorder::Open() {
    if (setup_.folders.library.empty()) {
        return nullptr;
    }
    try {
        return OpenLibrary(setup_.folders);
    } catch (const std::exception& failure) {
        log_.Log(failure.what());
    }
    return nullptr;
}

void LibraryRecorder::JobStarting() {
    if (!number_) {
        return;  // a chapter page's address: its story's number comes with the story page
    }
    const std::unique_ptr<Library> library = Open();
    if (!library) {
        return;
    }
    try {
        library->Change(*number_, [this](LibraryStory& story, bool known) {
            if (known) {
                return false;
            }
            story.address = UpdateAddress(request_.url, *number_, "");
            added_ = true;
            return true;
        });
    } catch (const std::exception& failure) {
        log_.Log(failure.what());
    }
}

void LibraryRecorder::JobEnded(JobResult& result) {
    const BookInfo info =
        ReadBookInfo(SplitLogLines(TryReadFileBytes(setup_.folders.logfile).value_or("")));
    const std::optional<uint64_t> number = info.storyNumber ? info.storyNumber : number_;
    result.storyNumber = number;
    result.title = info.title.value_or("");
    result.newChapters = FetchedChapters(info, setup_.folders.tmpdir);
    if (!number) {
        return;
    }
    const std::unique_ptr<Library> library = Open();
    if (!library) {
        return;
    }
    try {
        if (!info.title && added_) {
            library->Remove(*number);  // the story could not be read: it is no story of ours
            return;
        }
        Record(*library, info, result);
    } catch (const std::exception& failure) {
        log_.Log(failure.what());
    }
}

namespace {

// What a saved book was made from, when it holds every chapter it should: only then is it
// known to be what these inputs make; any other is built again next time. A volume holds
// every chapter when none of its own is missing, whatever other volumes lack.
std::string SavedInputs(const SavedBook& saved, const BookInfo& info, const JobResult& result,
                        const std::string& tmpdir, const std::string& storyUrl,
                        const BookChoices& choices) {
    const VolumeRange& volume = saved.volume;
    const bool whole =
        volume.number == 0
            ? result.outcome == JobOutcome::Complete
            : std::none_of(result.missing.begin(), result.missing.end(), [&volume](int n) {
                  return n == 0 || (n >= volume.first && n <= volume.last);
              });
    return whole ? BookInputsDigest(info, tmpdir, storyUrl, choices, volume) : "";
}

}  // namespace

void LibraryRecorder::Record(Library& library, const BookInfo& info, const JobResult& result) {
    const std::string& tmpdir = setup_.folders.tmpdir;
    const std::string storyUrl = StoryAddress(request_.url, info.storyNumber);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    library.Change(*result.storyNumber, [&](LibraryStory& story, bool known) {
        const bool read = info.title.has_value();  // the story page was read
        if (!known && !read) {
            return false;
        }
        if (read) {
            story.address = UpdateAddress(request_.url, *result.storyNumber, story.address);
            story.title = *info.title;
            story.author = info.author.value_or(story.author);
        }
        // A build's language is the site's or the one the chapters told; without a build,
        // the site's word, or what was known before.
        story.language =
            !result.language.empty() ? result.language : info.language.value_or(story.language);
        const int inWorkFolder = ChaptersInWorkFolder(info, tmpdir);
        if (info.done) {
            story.chaptersKept = inWorkFolder;
            story.chaptersOnSite = static_cast<int>(info.chapters.size());
        } else if (info.chapterCount) {
            // Cut short: what it did not reach is still kept from before.
            story.chaptersKept = std::max(story.chaptersKept, inWorkFolder);
            story.chaptersOnSite =
                std::max(story.chaptersOnSite.value_or(0), static_cast<int>(info.chapters.size()));
        }
        story.lastChecked = now;
        if (result.newChapters > 0) {
            story.lastUpdated = now;
        }
        story.outcome = OutcomeName(result.outcome);
        story.outcomeMessage = result.message;
        for (const SavedBook& saved : result.saved) {
            LibraryBook book = BookRecord(
                saved.path, SavedInputs(saved, info, result, tmpdir, storyUrl, request_.choices));
            book.volume = saved.volume.number;
            story.PutBook(std::move(book));
        }
        // An update makes the same kind of book as the job that last made one.
        if (!result.saved.empty()) {
            story.choices = BookChoicesText(request_.choices);
        }
        return true;
    });
}

JobRequest UpdateRequest(const LibraryStory& story) {
    JobRequest request;
    request.url = story.address;
    std::vector<std::string> formats;
    for (const LibraryBook& book : story.books) {
        formats.push_back(book.format);
    }
    request.format = FormatOfEditions(formats);
    request.choices = ReadBookChoices(story.choices);
    request.openBook = false;
    request.keepCurrentBooks = true;
    return request;
}

void RemoveStory(const JobFolders& folders, Library& library, uint64_t number) {
    platform::FileLock lock;
    if (const std::optional<JobResult> refused = TakeJobLock(folders, lock)) {
        throw Exception(refused->message);
    }
    if (!folders.store.empty()) {
        std::error_code error;
        const std::string kept = folders.store + "/" + std::to_string(number);
        std::filesystem::remove_all(kept, error);  // links inside go, never what they point to
        if (error) {
            throw Exception("The kept chapters in \"" + kept +
                            "\" could not be removed: " + error.message() + ".");
        }
    }
    library.Remove(number);
}

}  // namespace quill
