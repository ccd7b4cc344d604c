#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bookjob/BookJob.h"
#include "core/Folders.h"
#include "core/Progress.h"
#include "platform/FileLock.h"

namespace quill {

// What the user asked for.
struct JobRequest {
    std::string url;  // the story address, trimmed
    bool refresh = false;
    bool pictures = true;  // chapters' pictures are fetched and shown; false: text only
    BookFormat format = BookFormat::Pdf;
    bool openBook = true;  // open the finished book with the desktop's viewer
    // An update of a library's story: when nothing is new and its books are as they were
    // saved, they are kept rather than built again.
    bool keepCurrentBooks = false;
    // The kind of book: page, text size, dark pages, ragged text, volumes.
    BookChoices choices;
};

// Where the job's programs and folders are.
struct JobSetup {
    JobFolders folders;
    std::string launcher;  // bin/quillmain
    std::string renderer;  // bin/quillrender
};

// The folder that holds the helpers in bin/ (bin/quillmain, bin/quillrender), with a
// trailing "/": the program's own folder in the build tree, ../lib/quillby/ once installed
// (the program in /usr/bin, the rest under /usr/lib/quillby).
std::string HelperFolder();

// The setup of a job with these folders and the helpers below helperFolder.
JobSetup MakeJobSetup(const JobFolders& folders, const std::string& helperFolder);

enum class JobOutcome {
    Complete,    // every chapter is in the book
    Incomplete,  // a book was made, but chapters are missing from it (see `missing`)
    Failed,      // no book was made
    Refused,     // another job holds the data folder
    Stopped,     // the user stopped it; no book was opened
    BadAddress,  // the address is not a story's; nothing was started
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Failed;
    std::string bookfile;            // the edition that opens: the PDF, or the EPUB alone
    std::vector<int> missing;        // chapters that are not in the book, in order
    std::string message;             // the last thing the log said about the outcome
    std::vector<std::string> books;  // every edition saved, or found up to date, by this job
    std::vector<SavedBook> saved;    // the books this job saved, with the volume of each

    // What the job learnt about its story, for the library and a queue's summary.
    std::optional<uint64_t> storyNumber;
    std::string title;    // empty when the story page was not read
    int newChapters = 0;  // chapters fetched from the site (not taken from the store)
    // The language the book was made in: the site's, or the one its chapters' script told;
    // empty when no book was built.
    std::string language;

    // What `quillby --download` exits with: 0 complete, 3 incomplete, 1 no book, 2 an
    // address that is not a story's, 4 another download running.
    int ExitCode() const;
};

// What a job tells the window or the terminal. Called on the job's own thread, in order.
class IJobObserver {
  public:
    virtual ~IJobObserver() = default;
    virtual void LogAppended(const std::string& line) = 0;
    virtual void LogReplaced(const std::string& line) = 0;  // the last line changes in place
    virtual void LogCleared() = 0;
    virtual void ProgressChanged(const ProgressState& state) = 0;
    virtual void Finished(const JobResult& result) = 0;
};

class TPyThread;

// One download job. It owns its runner thread and, through it, the downloader process and
// the data folder's lock; destroying the job stops whatever still runs and waits for it.
class Job {
  public:
    Job(JobSetup setup, IJobObserver& observer);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Checks the address, takes the data folder's lock, clears the work folder and starts
    // the job; nothing when it started. When the address is not a story's, another job holds
    // the lock or the lock file cannot be used, nothing is touched or started, and the
    // result says why (its message is for the user, and nothing else reports it).
    std::optional<JobResult> Start(const JobRequest& request);
    // The same for a caller that holds the data folder's lock itself, as a queue of jobs
    // does from its first job to its last: the lock is neither taken nor released.
    std::optional<JobResult> StartUnderLock(const JobRequest& request);

    // Asks the job to stop: a download ends at once (its process group is stopped), a book
    // build after the chapter it is rendering. Returns at once; Finished() still comes.
    void Stop();
    // Waits until the job has finished (Finished() has returned).
    void Wait();
    bool Running() const;

  private:
    std::optional<JobResult> Begin(const JobRequest& request, bool takeLock);

    JobSetup setup_;
    IJobObserver& observer_;
    std::unique_ptr<TPyThread> runner_;
};

// The message a refused job shows.
extern const char* const kAnotherJobRunning;

// Takes the data folder's lock, for one job or a queue of them. Nothing when it was taken;
// otherwise why not: another job holds it (Refused), or the lock file cannot be used
// (Failed, with a message that says what is wrong with it).
std::optional<JobResult> TakeJobLock(const JobFolders& folders, platform::FileLock& lock);

}  // namespace quill
