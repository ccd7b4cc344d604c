#include "library/LibraryText.h"

#include <ctime>

namespace quill {

namespace {

std::string FormatTime(const std::optional<int64_t>& seconds, bool utc, const char* format) {
    if (!seconds) {
        return "";
    }
    const auto time = static_cast<std::time_t>(*seconds);
    std::tm parts{};
    if ((utc ? ::gmtime_r(&time, &parts) : ::localtime_r(&time, &parts)) == nullptr) {
        return "";
    }
    char text[64];
    return std::strftime(text, sizeof text, format, &parts) > 0 ? text : "";
}

}  // namespace

std::string DisplayTitle(const LibraryStory& story) {
    return story.title.empty() ? "Story " + std::to_string(story.number) : story.title;
}

std::string ChaptersText(const LibraryStory& story) {
    std::string text = std::to_string(story.chaptersKept);
    if (story.chaptersOnSite) {
        text += " of " + std::to_string(*story.chaptersOnSite);
    }
    return text;
}

std::string OutcomeText(const LibraryStory& story, bool withCause) {
    if (story.outcome == "complete") {
        return "Complete";
    }
    if (story.outcome == "incomplete") {
        return "Chapters missing";
    }
    if (story.outcome == "stopped") {
        return "Stopped";
    }
    if (story.outcome == "failed") {
        return story.outcomeMessage.empty() || !withCause ? "Failed"
                                                          : "Failed: " + story.outcomeMessage;
    }
    return "Not checked yet";
}

std::string LocalTimeText(const std::optional<int64_t>& seconds) {
    return FormatTime(seconds, false, "%Y-%m-%d %H:%M");
}

std::string UtcTimeText(const std::optional<int64_t>& seconds) {
    return FormatTime(seconds, true, "%Y-%m-%dT%H:%M:%SZ");
}

}  // namespace quill
