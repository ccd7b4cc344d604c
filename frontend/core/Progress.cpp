#include "core/Progress.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "common/Utf8.h"
#include "core/RunLog.h"

namespace quill {

namespace {

using Seconds = std::chrono::duration<double>;

// Whole seconds, rounded up; a story long enough to overflow is simply "very long".
int CeilSeconds(double seconds) {
    const double whole = std::ceil(seconds - 1e-9);
    if (!(whole > 0)) {
        return 0;
    }
    return whole >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                    : static_cast<int>(whole);
}

}  // namespace

bool ProgressState::operator==(const ProgressState& other) const {
    return phase == other.phase && done == other.done && total == other.total &&
           title == other.title && pauseLeftS == other.pauseLeftS &&
           lastChapter == other.lastChapter && secondsLeft == other.secondsLeft;
}

std::string CountdownText(const ProgressState& state) {
    if (state.phase != ProgressState::Phase::Pausing) {
        return "";
    }
    return (state.lastChapter ? "Finishing in " : "Next chapter in ") +
           std::to_string(state.pauseLeftS) + " s";
}

std::string TimeLeftText(const ProgressState& state) {
    if (!state.secondsLeft || state.phase == ProgressState::Phase::Building ||
        state.phase == ProgressState::Phase::Ended) {
        return "";
    }
    const int seconds = *state.secondsLeft;
    if (seconds < 60) {
        return "about " + std::to_string(std::max(seconds, 1)) + " s left";
    }
    const long long minutes = (static_cast<long long>(seconds) + 30) / 60;
    if (minutes < 120) {
        return "about " + std::to_string(minutes) + " min left";
    }
    return "about " + std::to_string((minutes + 30) / 60) + " h left";
}

std::string ProgressLine(const ProgressState& state, size_t width) {
    constexpr int kBar = 20;
    const long long filled =
        state.total > 0 ? std::clamp<long long>(
                              static_cast<long long>(state.done) * kBar / state.total, 0, kBar)
                        : 0;
    std::string line = "[" + std::string(filled, '#') + std::string(kBar - filled, '-') + "] " +
                       std::to_string(state.done) + "/" + std::to_string(state.total);
    if (state.phase == ProgressState::Phase::Building) {
        line += "  building the book";
    } else if (!state.title.empty()) {
        line += "  " + state.title;
    }
    for (const std::string& part : {CountdownText(state), TimeLeftText(state)}) {
        if (!part.empty()) {
            line += "  " + part;
        }
    }
    // Cut by bytes, between characters, so a narrow terminal never wraps.
    return std::string(Utf8Prefix(line, width));
}

void ProgressModel::OnLine(const std::string& line, Clock::time_point now) {
    if (const auto count = KeyedValue(line, "chapter:")) {
        total_ = std::max(0, ParseWholeNumber(*count).value_or(0));
    } else if (const auto chapter = ParseChapterLine(line)) {
        position_ = chapter->position;
        title_ = chapter->title;
        startedAt_ = now;
        saved_ = chapter->savedCopy;
        paused_ = false;
    } else if (line == "error ontimer") {
        saved_ = true;  // done with it: no file will come, and no pause follows
        paused_ = false;
    } else if (line == "done") {
        downloadDone_ = true;
    }
}

void ProgressModel::OnBuildPage(int number, int last) {
    building_ = true;
    rendered_ = std::max(rendered_, number);
    if (buildTotal_ == 0) {
        buildTotal_ = last;
    }
}

void ProgressModel::OnBuildMerging() {
    building_ = true;
    // Every page is rendered or left out by now.
    rendered_ = buildTotal_ = std::max(buildTotal_, rendered_);
    if (buildTotal_ == 0) {
        buildTotal_ = total_;
    }
}

void ProgressModel::OnChapterSaved(Clock::time_point now) {
    if (saved_ || position_ == 0) {
        return;
    }
    saved_ = true;
    paused_ = true;
    savedAt_ = now;
    fetchSeconds_.push_back(Seconds(now - startedAt_).count());
}

double ProgressModel::AverageFetchSeconds() const {
    return std::accumulate(fetchSeconds_.begin(), fetchSeconds_.end(), 0.0) /
           static_cast<double>(fetchSeconds_.size());
}

std::optional<int> ProgressModel::SecondsLeft(Clock::time_point now) const {
    if (fetchSeconds_.empty() || downloadDone_) {
        return std::nullopt;  // nothing measured yet
    }
    const double fetch = AverageFetchSeconds();
    const double pause = Seconds(pause_).count();
    double current = 0;
    if (!saved_) {
        current = std::max(0.0, fetch - Seconds(now - startedAt_).count()) + pause;
    } else if (paused_) {
        current = std::max(0.0, pause - Seconds(now - savedAt_).count());
    }
    const int after = std::max(0, total_ - position_);
    return CeilSeconds(current + after * (fetch + pause));
}

ProgressState ProgressModel::State(Clock::time_point now) const {
    ProgressState state;
    state.total = total_;
    state.title = title_;
    if (ended_) {
        state.phase = ProgressState::Phase::Ended;
        state.done = building_ ? buildTotal_ : position_;
        state.total = building_ ? buildTotal_ : total_;
        return state;
    }
    if (building_) {
        state.phase = ProgressState::Phase::Building;
        state.done = rendered_;
        state.total = buildTotal_;
        return state;
    }
    state.done = downloadDone_ ? total_ : (saved_ ? position_ : std::max(0, position_ - 1));
    state.secondsLeft = SecondsLeft(now);
    const double pauseLeft = Seconds(pause_).count() - Seconds(now - savedAt_).count();
    if (saved_ && paused_ && !downloadDone_ && pauseLeft > 0) {
        state.phase = ProgressState::Phase::Pausing;
        state.pauseLeftS = CeilSeconds(pauseLeft);
        state.lastChapter = position_ >= total_;
    } else {
        state.phase = ProgressState::Phase::Downloading;
    }
    return state;
}

}  // namespace quill
