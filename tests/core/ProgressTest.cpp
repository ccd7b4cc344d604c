// The progress a job shows: chapters done, the pause's countdown and the time left.
#include <gtest/gtest.h>

#include <cmath>

#include "common/Utf8.h"
#include "core/Progress.h"

namespace quill::test {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressModel::Clock;

std::string Chapter(int position, int total, const std::string& title) {
    return "chapter_" + std::to_string(position) + " / " + std::to_string(total) + ": " + title;
}

// A job of 10 chapters, each fetched in 3 s and followed by a 20 s pause: at every second of
// the job, the estimate is within 20% of the time that really remains, once the first
// chapter has been measured.
TEST(Progress, TimeLeftStaysWithinAFifthOfTheTruth) {
    constexpr int kChapters = 10;
    const auto fetch = 3s;
    const auto pause = 20s;
    ProgressModel model(pause);
    const Clock::time_point start{};
    const auto end = start + kChapters * (fetch + pause);
    model.OnLine("chapter:" + std::to_string(kChapters), start);
    int checked = 0;
    for (int k = 1; k <= kChapters; ++k) {
        const auto begin = start + (k - 1) * (fetch + pause);
        model.OnLine(Chapter(k, kChapters, "Part " + std::to_string(k)), begin);
        for (auto t = begin; t < begin + fetch + pause; t += 1s) {
            if (t >= begin + fetch && model.CurrentPosition() == k) {
                model.OnChapterSaved(begin + fetch);
            }
            const ProgressState state = model.State(t);
            EXPECT_EQ(state.done, t >= begin + fetch ? k : k - 1);
            if (k > 1 || t >= begin + fetch) {
                ASSERT_TRUE(state.secondsLeft);
                const double truth = std::chrono::duration<double>(end - t).count();
                EXPECT_NEAR(*state.secondsLeft, truth, std::max(1.0, truth * 0.2))
                    << "chapter " << k;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 200);
}

TEST(Progress, CountsDownThePauseAndSkipsItForSavedCopies) {
    ProgressModel model(20s);
    const Clock::time_point t0{};
    model.OnLine("chapter:3", t0);
    model.OnLine(Chapter(1, 3, "One (saved copy)"), t0);
    EXPECT_EQ(model.CurrentPosition(), 0) << "a saved copy is there at once";
    EXPECT_EQ(model.State(t0).phase, ProgressState::Phase::Downloading);

    model.OnLine(Chapter(2, 3, "Two"), t0);
    model.OnChapterSaved(t0 + 2s);
    const ProgressState pausing = model.State(t0 + 8s);
    EXPECT_EQ(pausing.phase, ProgressState::Phase::Pausing);
    EXPECT_EQ(pausing.done, 2);
    EXPECT_EQ(pausing.title, "Two");
    EXPECT_EQ(CountdownText(pausing), "Next chapter in 14 s");

    model.OnLine(Chapter(3, 3, "Three"), t0 + 22s);
    model.OnChapterSaved(t0 + 23s);
    EXPECT_EQ(CountdownText(model.State(t0 + 30s)), "Finishing in 13 s");
    model.OnLine("done", t0 + 43s);
    EXPECT_EQ(model.State(t0 + 43s).done, 3);
    EXPECT_EQ(CountdownText(model.State(t0 + 43s)), "");
}

TEST(Progress, TheBuildShowsChaptersRendered) {
    ProgressModel model(20s);
    model.OnLine("chapter:4", {});
    model.OnLine("done", {});
    // The build's own lines are never read for its progress.
    model.OnLine("process html pdf 2", {});
    EXPECT_EQ(model.State({}).phase, ProgressState::Phase::Downloading);
    model.OnBuildPage(0, 4);
    model.OnBuildPage(3, 4);
    const ProgressState state = model.State({});
    EXPECT_EQ(state.phase, ProgressState::Phase::Building);
    EXPECT_EQ(state.done, 3);
    EXPECT_EQ(state.total, 4);
    EXPECT_EQ(TimeLeftText(state), "");
    // Merging: every page is done with, the last chapters left out or not.
    model.OnBuildMerging();
    EXPECT_EQ(model.State({}).done, 4);
}

TEST(Progress, TextsForTheFooterAndTheTerminal) {
    ProgressState state;
    state.phase = ProgressState::Phase::Downloading;
    state.secondsLeft = 719;
    EXPECT_EQ(TimeLeftText(state), "about 12 min left");
    state.secondsLeft = 40;
    EXPECT_EQ(TimeLeftText(state), "about 40 s left");
    state.secondsLeft = 3 * 3600;
    EXPECT_EQ(TimeLeftText(state), "about 3 h left");

    state.done = 3;
    state.total = 12;
    state.title = "Zoë’s café";
    const std::string line = ProgressLine(state, 200);
    EXPECT_EQ(line, "[#####---------------] 3/12  Zoë’s café  about 3 h left");
    // Cut to fit a narrow terminal, never inside a character.
    for (size_t width = 30; width < line.size(); ++width) {
        const std::string cut = ProgressLine(state, width);
        EXPECT_LE(cut.size(), width);
        EXPECT_TRUE(IsValidUtf8(cut)) << width;
    }
}

}  // namespace
}  // namespace quill::test
