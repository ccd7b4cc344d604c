#include "core/StoryQueue.h"

namespace quill {

namespace {

std::string Count(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

bool CouldNotBeChecked(JobOutcome outcome) {
    return outcome == JobOutcome::Failed || outcome == JobOutcome::BadAddress ||
           outcome == JobOutcome::Refused;
}

bool GotChapters(const JobResult& result) {
    return (result.outcome == JobOutcome::Complete || result.outcome == JobOutcome::Incomplete) &&
           result.newChapters > 0;
}

std::string Label(const QueueSummary::Done& done) {
    return "\"" + (done.result.title.empty() ? done.story.label : done.result.title) + "\"";
}

}  // namespace

std::string QueueSummary::Text() const {
    if (refused) {
        return refused->message;
    }
    size_t changed = 0, chapters = 0, failed = 0, unchecked = notStarted.size();
    for (const Done& story : done) {
        if (GotChapters(story.result)) {
            ++changed;
            chapters += static_cast<size_t>(story.result.newChapters);
        } else if (CouldNotBeChecked(story.result.outcome)) {
            ++failed;
        } else if (story.result.outcome == JobOutcome::Stopped) {
            ++unchecked;
        }
    }
    std::string text = changed == 0 ? "No story had new chapters"
                                    : Count(changed, "story", "stories") + " had new chapters (" +
                                          std::to_string(chapters) + " in all)";
    if (failed > 0) {
        text += "; " + std::to_string(failed) + " could not be checked";
    }
    if (unchecked > 0) {
        text +=
            "; " + std::to_string(unchecked) + (unchecked == 1 ? " was" : " were") + " not checked";
    }
    return text;
}

std::vector<std::string> QueueSummary::Lines() const {
    std::vector<std::string> lines;
    for (const Done& story : done) {
        if (GotChapters(story.result)) {
            lines.push_back(Label(story) + ": " +
                            Count(static_cast<size_t>(story.result.newChapters), "new chapter",
                                  "new chapters") +
                            (story.result.outcome == JobOutcome::Incomplete
                                 ? ", but chapters are missing"
                                 : ""));
        }
    }
    for (const Done& story : done) {
        if (CouldNotBeChecked(story.result.outcome)) {
            lines.push_back(Label(story) + " could not be checked: " + story.result.message);
        }
    }
    lines.push_back(Text());
    return lines;
}

int QueueSummary::ExitCode() const {
    if (refused) {
        return refused->ExitCode();
    }
    bool incomplete = false;
    for (const Done& story : done) {
        switch (story.result.outcome) {
            case JobOutcome::Complete:
                break;
            case JobOutcome::Incomplete:
                incomplete = true;
                break;
            default:
                return 1;
        }
    }
    if (!notStarted.empty()) {
        return 1;
    }
    return incomplete ? 3 : 0;
}

}  // namespace quill
