#include "core/Job.h"

#include <unistd.h>

#include <cerrno>

#include "JobRunner.h"
#include "common/Settings.h"
#include "core/AddressCheck.h"
#include "platform/SystemError.h"
#include "platform/UserFolders.h"
#include "render/RenderSettings.h"

namespace quill {

const char* const kAnotherJobRunning = "Another download is running. Wait for it to finish.";

namespace {

// A lock file that no other job holds and that still cannot be used: that is no reason to
// wait, so the message says what is wrong with it.
std::string LockProblem(const std::string& path, int error) {
    std::string reason;
    switch (error) {
        case EISDIR:
            reason = "it is a folder";
            break;
        case ELOOP:
            reason = "it is a symbolic link";
            break;
        default:
            reason = platform::SystemErrorText(error);
    }
    return "Cannot use the lock file \"" + path + "\": " + reason +
           ". No download was started; remove the file or mend it, then try again.";
}

}  // namespace

std::string HelperFolder() {
    const std::string folder = platform::ProgramFolder();
    const std::string installed = folder + "../lib/quillby/";
    return ::access((installed + "bin/quillmain").c_str(), X_OK) == 0 ? installed : folder;
}

JobSetup MakeJobSetup(const JobFolders& folders, const std::string& helperFolder) {
    JobSetup setup;
    setup.folders = folders;
    setup.launcher = helperFolder + "bin/quillmain";
    setup.renderer = RendererBelow(helperFolder);
    return setup;
}

std::optional<JobResult> TakeJobLock(const JobFolders& folders, platform::FileLock& lock) {
    if (lock.TryLock(folders.lockfile)) {
        return std::nullopt;
    }
    JobResult result;
    if (lock.ErrorCode() != 0) {
        result.outcome = JobOutcome::Failed;
        result.message = LockProblem(folders.lockfile, lock.ErrorCode());
    } else {
        result.outcome = JobOutcome::Refused;
        result.message = kAnotherJobRunning;
    }
    return result;
}

int JobResult::ExitCode() const {
    switch (outcome) {
        case JobOutcome::Complete:
            return 0;
        case JobOutcome::Incomplete:
            return 3;
        case JobOutcome::Refused:
            return 4;
        case JobOutcome::BadAddress:
            return 2;
        case JobOutcome::Failed:
        case JobOutcome::Stopped:
            break;
    }
    return 1;
}

Job::Job(JobSetup setup, IJobObserver& observer) : setup_(std::move(setup)), observer_(observer) {}

Job::~Job() {
    Stop();
    Wait();
}

std::optional<JobResult> Job::Start(const JobRequest& request) {
    return Begin(request, true);
}

std::optional<JobResult> Job::StartUnderLock(const JobRequest& request) {
    return Begin(request, false);
}

std::optional<JobResult> Job::Begin(const JobRequest& request, bool takeLock) {
    const auto notStarted = [](JobOutcome outcome, std::string message) {
        JobResult result;
        result.outcome = outcome;
        result.message = std::move(message);
        return std::optional<JobResult>(std::move(result));
    };
    if (Running()) {
        return notStarted(JobOutcome::Refused, kAnotherJobRunning);
    }
    Wait();  // a finished runner still to be joined
    if (auto problem = StoryAddressProblem(request.url, StorySiteUrl())) {
        return notStarted(JobOutcome::BadAddress, std::move(*problem));
    }
    platform::FileLock lock;
    if (takeLock) {
        if (std::optional<JobResult> refused = TakeJobLock(setup_.folders, lock)) {
            return refused;
        }
    }
    ClearDir(setup_.folders.tmpdir);
    RemoveLeftovers(setup_.folders);
    runner_ = std::make_unique<TPyThread>(setup_, request, observer_, std::move(lock));
    runner_->Start();
    return std::nullopt;
}

void Job::Stop() {
    if (runner_) {
        runner_->RequestStop();
    }
}

void Job::Wait() {
    if (runner_) {
        runner_->Join();
    }
}

bool Job::Running() const {
    return runner_ && !runner_->Finished();
}

}  // namespace quill
