#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// What the window's footer and the terminal line show about a running job.
struct ProgressState {
    enum class Phase { Idle, Downloading, Pausing, Building, Ended };
    Phase phase = Phase::Idle;
    int done = 0;        // chapters handled (downloading) or rendered (building)
    int total = 0;       // chapters in the story
    std::string title;   // the chapter being fetched, or the last one fetched
    int pauseLeftS = 0;  // seconds until the next chapter (pausing)
    bool lastChapter = false;
    std::optional<int> secondsLeft;  // the whole download's estimated remaining time

    bool operator==(const ProgressState& other) const;
    bool operator!=(const ProgressState& other) const { return !(*this == other); }
};

// "Next chapter in 14 s" while pausing ("Finishing in 3 s" after the last chapter);
// empty otherwise.
std::string CountdownText(const ProgressState& state);
// "about 12 min left", "about 40 s left"; empty when there is no estimate yet.
std::string TimeLeftText(const ProgressState& state);
// One line for a terminal: "[#####-----] 3/12  Chapter title  Next chapter in 14 s …".
std::string ProgressLine(const ProgressState& state, size_t width);

// Follows a job's progress from the downloader's run-log lines, the chapter files as they
// appear, and the book build's pages.
// The estimate of the time left uses the politeness pause and the fetch times measured so
// far in this job. Times come from the caller, so a job can be replayed in a test.
class ProgressModel {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressModel(std::chrono::milliseconds pause) : pause_(pause) {}

    // A line of the downloader's run log.
    void OnLine(const std::string& line, Clock::time_point now);
    // The book build has taken up page `number` of 0 .. last.
    void OnBuildPage(int number, int last);
    // The book build merges its pages.
    void OnBuildMerging();
    // The file of CurrentPosition() has appeared: that chapter is saved.
    void OnChapterSaved(Clock::time_point now);
    void OnEnded() { ended_ = true; }

    // The chapter being fetched, whose file has not appeared yet; 0 when none.
    int CurrentPosition() const { return saved_ ? 0 : position_; }
    ProgressState State(Clock::time_point now) const;

  private:
    std::optional<int> SecondsLeft(Clock::time_point now) const;
    double AverageFetchSeconds() const;

    std::chrono::milliseconds pause_;
    int total_ = 0;
    int position_ = 0;  // the last chapter line's position
    std::string title_;
    bool saved_ = false;   // position_'s chapter is in the work folder
    bool paused_ = false;  // and a pause follows it (it was fetched, not a saved copy)
    Clock::time_point startedAt_{};
    Clock::time_point savedAt_{};
    std::vector<double> fetchSeconds_;
    bool building_ = false;
    int rendered_ = 0;
    int buildTotal_ = 0;
    bool downloadDone_ = false;
    bool ended_ = false;
};

}  // namespace quill
