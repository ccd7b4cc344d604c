#include "JobLog.h"

#include <vector>

#include "common/Pacing.h"
#include "common/Paths.h"

namespace quill {

JobLog::JobLog(IJobObserver& observer, const std::string& logfile, const std::string& tmpdir)
    : observer_(observer), tmpdir_(tmpdir), tail_(logfile), progress_(ChapterPause()) {}

void JobLog::Feed(const std::string& line) {
    progress_.OnLine(line, std::chrono::steady_clock::now());
}

// Lines of our own (the build's, the completion's) are shown, never read back: the build's
// progress comes as events.
void JobLog::Log(const std::string& text) {
    observer_.LogAppended(text);
    UpdateProgress(std::chrono::steady_clock::now());
}

void JobLog::UpdateLog(const std::string& text) {
    observer_.LogReplaced(text);
    UpdateProgress(std::chrono::steady_clock::now());
}

void JobLog::OnBuildEvent(const BuildEvent& event) {
    if (const auto* page = std::get_if<build::PageRendering>(&event)) {
        progress_.OnBuildPage(page->number, page->last);
    } else if (std::holds_alternative<build::Merging>(event)) {
        progress_.OnBuildMerging();
    }
    UpdateProgress(std::chrono::steady_clock::now());
}

bool JobLog::MirrorRunLog(bool final) {
    std::vector<std::string> lines;
    const RunLogTail::Result result = tail_.Poll(lines, final);
    if (result == RunLogTail::Result::Missing) {
        return false;
    }
    if (result == RunLogTail::Result::Restarted) {
        observer_.LogCleared();
    }
    for (const std::string& line : lines) {
        Feed(line);
        observer_.LogAppended(line);
    }
    return true;
}

void JobLog::UpdateProgress(std::chrono::steady_clock::time_point now) {
    if (const int position = progress_.CurrentPosition(); position > 0) {
        if (FileExists(tmpdir_ + "/" + std::to_string(position) + ".html")) {
            progress_.OnChapterSaved(now);
        }
    }
    const ProgressState state = progress_.State(now);
    if (state != shown_) {
        shown_ = state;
        observer_.ProgressChanged(state);
    }
}

void JobLog::EndProgress() {
    progress_.OnEnded();
    UpdateProgress(std::chrono::steady_clock::now());
}

}  // namespace quill
