#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/Job.h"

namespace quill {

// One story waiting in a queue, or running.
struct QueuedStory {
    JobRequest request;
    std::string key;    // the story's identity: two entries with one key are one story
    std::string label;  // what the user knows it by: its title when known, else its address
};

// The key of a story address: its number for a story page ("story:7001"), whatever slug
// or query it carries; otherwise the address without query and fragment.
std::string StoryKey(const std::string& url);
// A request as a queue entry, labelled with its address.
QueuedStory QueueEntry(const JobRequest& request, const std::string& label = "");
// The story addresses in pasted text: one a line, or separated by blanks.
std::vector<std::string> SplitAddresses(const std::string& text);

// What a queue did, once it has ended.
struct QueueSummary {
    struct Done {
        QueuedStory story;
        JobResult result;
    };
    std::vector<Done> done;               // in the order they ran
    std::vector<QueuedStory> notStarted;  // left waiting when the queue was cancelled
    // The queue could not begin (another job holds the data folder, or its lock file cannot
    // be used): nothing ran, and this says why.
    std::optional<JobResult> refused;

    // "3 stories had new chapters (7 in all); 1 could not be checked".
    std::string Text() const;
    // One line for each story that got new chapters, with their count, then one for each
    // story that could not be checked, with its cause, and Text() last.
    std::vector<std::string> Lines() const;
    // 0 when every story is complete, 3 when any lacks chapters, 1 when any failed, was
    // stopped or never ran, 4 when the queue was refused.
    int ExitCode() const;
};

// What a queue tells the window or the terminal, on the queue's and the jobs' threads. The
// job reports (log, progress, Finished once per story) come as from a single job.
class IQueueObserver : public IJobObserver {
  public:
    // The stories of the queue: the running one first, then those waiting in order.
    virtual void QueueChanged(const std::vector<QueuedStory>& stories) = 0;
    virtual void QueueFinished(const QueueSummary& summary) = 0;
};

// Stories downloaded one after another. The queue holds the data folder's lock from its
// first job to its last, so no other program's job slips in between, and between two
// stories it waits like the downloader between two chapters. Destroying it cancels what
// still runs and waits for it.
class StoryQueue {
  public:
    StoryQueue(JobSetup setup, IQueueObserver& observer);
    ~StoryQueue();
    StoryQueue(const StoryQueue&) = delete;
    StoryQueue& operator=(const StoryQueue&) = delete;

    // Queues the stories that are neither waiting nor running already (by key), and starts
    // the queue when it is idle. Returns how many were queued.
    size_t Add(const std::vector<QueuedStory>& stories);
    // Stops the running job and drops the waiting stories. Returns at once;
    // QueueFinished() still comes.
    void Cancel();
    // Waits until the queue has finished (QueueFinished() has returned).
    void Wait();
    bool Running() const;
    // The running story first, then those waiting.
    std::vector<QueuedStory> Stories() const;

  private:
    class Forwarder;
    void Run();
    std::vector<QueuedStory> StoriesLocked() const;
    bool Waiting() const;  // a story waits, and the queue was not cancelled
    bool PauseBeforeNext();
    JobResult RunOne(const QueuedStory& story, int position, int total);

    JobSetup setup_;
    IQueueObserver& observer_;
    std::unique_ptr<Forwarder> forwarder_;
    std::unique_ptr<Job> job_;

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<QueuedStory> waiting_;
    std::optional<QueuedStory> current_;
    int planned_ = 0;  // stories this run of the queue has taken on, for "Story 2 of 5"
    bool running_ = false;
    bool cancelled_ = false;
    std::thread thread_;
};

}  // namespace quill
