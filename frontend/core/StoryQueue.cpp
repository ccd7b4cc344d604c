#include "core/StoryQueue.h"

#include "common/Pacing.h"
#include "common/SiteAddress.h"

namespace quill {

// Carries one job's reports on to the queue's observer, and keeps its result for the
// summary.
class StoryQueue::Forwarder : public IJobObserver {
  public:
    explicit Forwarder(IQueueObserver& to) : to_(to) {}

    void LogAppended(const std::string& line) override { to_.LogAppended(line); }
    void LogReplaced(const std::string& line) override { to_.LogReplaced(line); }
    void LogCleared() override { to_.LogCleared(); }
    void ProgressChanged(const ProgressState& state) override { to_.ProgressChanged(state); }
    void Finished(const JobResult& result) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            result_ = result;
        }
        to_.Finished(result);
    }
    JobResult Result() {
        std::lock_guard<std::mutex> guard(lock_);
        return result_;
    }

  private:
    IQueueObserver& to_;
    std::mutex lock_;
    JobResult result_;
};

std::string StoryKey(const std::string& url) {
    if (const std::optional<uint64_t> number = StoryNumberIn(url)) {
        return "story:" + std::to_string(*number);
    }
    if (const std::optional<SiteAddress> site = ReadSiteAddress(url)) {
        return site->origin + site->path;
    }
    return url;
}

QueuedStory QueueEntry(const JobRequest& request, const std::string& label) {
    QueuedStory story;
    story.request = request;
    story.key = StoryKey(request.url);
    story.label = label.empty() ? request.url : label;
    return story;
}

std::vector<std::string> SplitAddresses(const std::string& text) {
    constexpr char kBlanks[] = " \t\r\n\f\v";
    std::vector<std::string> addresses;
    for (size_t start = text.find_first_not_of(kBlanks); start != std::string::npos;) {
        const size_t end = text.find_first_of(kBlanks, start);
        addresses.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(kBlanks, end);
    }
    return addresses;
}

StoryQueue::StoryQueue(JobSetup setup, IQueueObserver& observer)
    : setup_(std::move(setup)),
      observer_(observer),
      forwarder_(std::make_unique<Forwarder>(observer)),
      job_(std::make_unique<Job>(setup_, *forwarder_)) {}

StoryQueue::~StoryQueue() {
    Cancel();
    Wait();
}

size_t StoryQueue::Add(const std::vector<QueuedStory>& stories) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!running_ && thread_.joinable()) {
        guard.unlock();
        thread_.join();  // the last run's thread has only its last reports left, if any
        guard.lock();
    }
    size_t added = 0;
    for (const QueuedStory& story : stories) {
        bool queued = current_ && current_->key == story.key;
        for (const QueuedStory& waiting : waiting_) {
            queued = queued || waiting.key == story.key;
        }
        if (!queued) {
            waiting_.push_back(story);
            ++added;
        }
    }
    planned_ += static_cast<int>(added);
    const bool start = added > 0 && !running_;
    if (start) {
        running_ = true;
        cancelled_ = false;
    }
    const std::vector<QueuedStory> view = StoriesLocked();
    guard.unlock();
    if (start) {
        thread_ = std::thread([this] { Run(); });
    } else if (added > 0) {
        observer_.QueueChanged(view);
    }
    return added;
}

void StoryQueue::Cancel() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!running_) {
        return;
    }
    cancelled_ = true;
    job_->Stop();
    wake_.notify_all();
}

void StoryQueue::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool StoryQueue::Running() const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_;
}

std::vector<QueuedStory> StoryQueue::Stories() const {
    std::lock_guard<std::mutex> guard(lock_);
    return StoriesLocked();
}

bool StoryQueue::Waiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    return !cancelled_ && !waiting_.empty();
}

std::vector<QueuedStory> StoryQueue::StoriesLocked() const {
    std::vector<QueuedStory> stories;
    if (current_) {
        stories.push_back(*current_);
    }
    stories.insert(stories.end(), waiting_.begin(), waiting_.end());
    return stories;
}

// The site is read at a person's pace from one story to the next, too. False when the
// queue was cancelled meanwhile.
bool StoryQueue::PauseBeforeNext() {
    const std::chrono::milliseconds pause = ChapterPause();
    if (pause >= std::chrono::seconds(1)) {
        observer_.LogAppended("The next story in " + std::to_string((pause.count() + 999) / 1000) +
                              " s.");
    }
    std::unique_lock<std::mutex> guard(lock_);
    return !wake_.wait_for(guard, pause, [this] { return cancelled_; });
}

JobResult StoryQueue::RunOne(const QueuedStory& story, int position, int total) {
    if (total > 1) {
        observer_.LogAppended("Story " + std::to_string(position) + " of " + std::to_string(total) +
                              ": " + story.label);
    }
    std::optional<JobResult> notStarted;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (cancelled_) {
            JobResult stopped;
            stopped.outcome = JobOutcome::Stopped;
            stopped.message = "The queue was cancelled.";
            return stopped;
        }
        notStarted = job_->StartUnderLock(story.request);
    }
    if (notStarted) {
        observer_.LogAppended(notStarted->message);
        observer_.Finished(*notStarted);
        return *notStarted;
    }
    job_->Wait();
    return forwarder_->Result();
}

void StoryQueue::Run() {
    QueueSummary summary;
    platform::FileLock lock;
    summary.refused = TakeJobLock(setup_.folders, lock);
    bool paceNext = false;
    int started = 0;
    while (!summary.refused) {
        if (paceNext && (!Waiting() || !PauseBeforeNext())) {
            break;
        }
        QueuedStory story;
        int total = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (cancelled_ || waiting_.empty()) {
                break;
            }
            story = waiting_.front();
            waiting_.pop_front();
            current_ = story;
            total = planned_;
        }
        observer_.QueueChanged(Stories());
        const JobResult result = RunOne(story, ++started, total);
        summary.done.push_back({story, result});
        // An address refused before anything started made no request.
        paceNext = result.outcome != JobOutcome::BadAddress;
        std::lock_guard<std::mutex> guard(lock_);
        current_.reset();
    }
    lock.Unlock();
    {
        std::lock_guard<std::mutex> guard(lock_);
        summary.notStarted.assign(waiting_.begin(), waiting_.end());
        waiting_.clear();
        planned_ = 0;
        running_ = false;
    }
    observer_.QueueChanged({});
    observer_.QueueFinished(summary);
}

}  // namespace quill
