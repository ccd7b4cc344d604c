#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/WindowLog.h"
#include "core/Folders.h"
#include "core/Job.h"
#include "core/RunLog.h"
#include "library/Library.h"

namespace quill {

// The user's library, beside the chapter store. The first time it is opened, the stories
// kept before there was a library join it (ScanKeptStories). Throws ELibraryError when it
// cannot be used, or when the folders have no place for it.
std::unique_ptr<Library> OpenLibrary(const JobFolders& folders);

// What is on disk from before the library: each story folder of the chapter store, named
// after its story's number, and each book in the data folder that records its story. A
// story's title is taken from its book's file name until the site is read again.
std::vector<LibraryStory> ScanKeptStories(const JobFolders& folders);

// A job on the library's side: before the downloader starts, a story new to the library
// gets its entry (so that a job killed half way still leaves it there to be updated);
// after the job, its entry records what the job found and made. Either step only logs a
// line when the library cannot be used: the job itself goes on.
class LibraryRecorder {
  public:
    LibraryRecorder(const JobSetup& setup, const JobRequest& request, IWindowLog& log);
    void JobStarting();
    // Fills in what the run log says about the story (number, title, new chapters) and
    // records the job.
    void JobEnded(JobResult& result);

  private:
    std::unique_ptr<Library> Open();
    void Record(Library& library, const BookInfo& info, const JobResult& result);

    const JobSetup& setup_;
    const JobRequest& request_;
    IWindowLog& log_;
    std::optional<uint64_t> number_;  // the story's, from the address pasted
    bool added_ = false;              // JobStarting made its entry
};

// For an update with nothing new (request.keepCurrentBooks), the books the library holds
// for this story and request, if each edition asked for was saved from exactly these inputs
// and is still on disk as it was saved: then the job keeps them rather than building them
// again. The log says so. A Download builds the book as it always did.
std::optional<JobResult> KeepUpToDateBooks(const JobSetup& setup, const JobRequest& request,
                                           const BookInfo& info, IWindowLog& log);

// With volumes, for an update, the volumes whose books of every edition asked for were
// saved from exactly these inputs and are still as they were saved: the build leaves them as
// they are (BookJob::keepVolumes). The log names them.
std::vector<int> CurrentVolumes(const JobSetup& setup, const JobRequest& request,
                                const BookInfo& info, IWindowLog& log);

// The request that updates a story of the library: its own address, the editions it has,
// the kind of book last made of it, its books kept when nothing is new.
JobRequest UpdateRequest(const LibraryStory& story);

// Removes the story's kept chapters (its folder in the chapter store) and its entry in the
// library; its books stay where they are. It takes the data folder's lock, so no job is
// writing the chapters meanwhile. Throws Exception with the message for the user when
// another job runs, the chapters cannot be removed (the entry then stays) or the library
// cannot be changed.
void RemoveStory(const JobFolders& folders, Library& library, uint64_t number);

}  // namespace quill
