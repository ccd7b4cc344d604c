#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "JobLog.h"
#include "core/Job.h"
#include "platform/FileLock.h"

namespace quill {

// The job's runner: a thread of its own that starts the downloader with the job's ticket,
// mirrors its run log while waiting for it, and then runs the completion step. Owned by
// its Job, which joins it.
class TPyThread {
  public:
    enum Status { kCreated = 0, kEnded = 2, kStartFailed = 6, kWaitFailed = 7, kStopped = 8 };

    TPyThread(const JobSetup& setup, const JobRequest& request, IJobObserver& observer,
              platform::FileLock lock);
    ~TPyThread();  // joins
    TPyThread(const TPyThread&) = delete;
    TPyThread& operator=(const TPyThread&) = delete;

    void Start();
    void RequestStop() { stop_ = true; }
    bool Finished() const { return finished_; }
    void Join();

    Status status = kCreated;
    std::string resultstr;  // the system's text for a failed start or wait
    int exitCode = -1;      // the downloader's, once it has ended
    int termSignal = 0;

  private:
    void Execute();
    void StartDownloader();
    void ExecAndWait(const std::string& program, const std::string& argument);
    void Tick(std::chrono::steady_clock::time_point now, bool mirror);

    const JobSetup& setup_;
    JobRequest request_;
    JobLog log_;
    platform::FileLock lock_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace quill
