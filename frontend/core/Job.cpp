#include "core/Job.h"

#include <unistd.h>

#include "JobRunner.h"
#include "assembly/RenderSettings.h"
#include "platform/SystemError.h"
#include "platform/UserFolders.h"

namespace quill {

const char* const kAnotherJobRunning = "Another download is running. Wait for it to finish.";

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

int JobResult::ExitCode() const {
    switch (outcome) {
        case JobOutcome::Complete:
            return 0;
        case JobOutcome::Incomplete:
            return 3;
        case JobOutcome::Refused:
            return 4;
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

std::string Job::Start(const JobRequest& request) {
    if (Running()) {
        return kAnotherJobRunning;
    }
    Wait();  // a finished runner still to be joined
    platform::FileLock lock;
    if (!lock.TryLock(setup_.folders.lockfile)) {
        if (lock.ErrorCode() != 0) {
            return "Cannot lock \"" + setup_.folders.lockfile +
                   "\": " + platform::SystemErrorText(lock.ErrorCode());
        }
        return kAnotherJobRunning;
    }
    ClearDir(setup_.folders.tmpdir);
    RemoveLeftovers(setup_.folders);
    runner_ = std::make_unique<TPyThread>(setup_, request, observer_, std::move(lock));
    runner_->Start();
    return "";
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
