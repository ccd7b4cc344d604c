// Reading the downloader's run log: its lines, its keys, and following it while it grows.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/RunLog.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

using Lines = std::vector<std::string>;

TEST(RunLogLines, HonourEveryLineEndAndTheByteOrderMark) {
    EXPECT_EQ(SplitLogLines("\xEF\xBB\xBFtitle:Caf\xC3\xA9\r\nauthor:A\nchapter:2\rlast\r\n"),
              (Lines{"title:Caf\xC3\xA9", "author:A", "chapter:2", "last"}));
    EXPECT_EQ(SplitLogLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLogLines(""), Lines{});
}

TEST(RunLogKeys, CountOnlyAtTheStartOfALine) {
    const BookInfo info = ReadBookInfo({
        "title:Tale: Part One",
        "author:Ann",
        "story:7001",
        "cover page:cover.jpg",
        "chapter:5",
        "chapter_1 / 5: Next chapter: Home",
        "chapter_2 / 5: Subtitle: The Return (saved copy)",
        "error ontimer",
        "Traceback: get_chapter(http://x/title:Forged)",
        " chapter:1",
        "xtitle:Other",
        "chapter_3 / 5: A/N part 2",
        "Picture left out of chapter 3 (http://x/a.png): it is larger than 8 MB.",
        "Picture left out of chapter 3 (http://x/b.png): Picture left out of chapter 4 (",
        "chapter_4 / 5: Picture left out of chapter 4 (x)",
        "Picture left out of chapter 4x (http://x/c.png): forged.",
        "Pictures left out of chapter 5: 12 more, as a chapter shows at most 200.",
        "Pictures left out of chapter 5: many more",
        "done",
    });
    EXPECT_EQ(info.title, "Tale: Part One");
    EXPECT_EQ(info.author, "Ann");
    EXPECT_EQ(info.storyNumber, 7001u);
    EXPECT_EQ(info.chapterCount, 5);
    EXPECT_TRUE(info.done);
    EXPECT_EQ(info.picturesLeftOut, (std::map<int, int>{{3, 2}, {5, 12}}));
    ASSERT_EQ(info.chapters.size(), 4u);
    EXPECT_EQ(info.chapters[0].title, "Next chapter: Home");
    EXPECT_FALSE(info.chapters[0].failed);
    EXPECT_EQ(info.chapters[1].position, 2);
    EXPECT_EQ(info.chapters[1].title, "Subtitle: The Return");
    EXPECT_TRUE(info.chapters[1].savedCopy);
    EXPECT_TRUE(info.chapters[1].failed);
    EXPECT_EQ(info.chapters[2].title, "A/N part 2");
}

TEST(RunLogKeys, TheLastChapterAndStoryLinesWinAndMustBeWholeNumbers) {
    EXPECT_EQ(ReadBookInfo({"chapter:3", "chapter:12"}).chapterCount, 12);
    EXPECT_EQ(ReadBookInfo({"chapter:"}).chapterCount, 0);
    EXPECT_EQ(ReadBookInfo({"chapter:  7"}).chapterCount, 7);
    for (const char* bad : {"chapter:12a", "chapter:1.5", "chapter:12 ", "chapter:-",
                            "chapter:2147483648", "chapter:0x10"}) {
        const BookInfo info = ReadBookInfo({"chapter:4", bad});
        EXPECT_FALSE(info.chapterCount) << bad;
        EXPECT_FALSE(info.countValid) << bad;
    }
    // The story's number keys the book: nothing but a number counts.
    for (const char* bad : {"story:7001/../1", "story: 7001", "story:7001 ", "story:0x1B59"}) {
        EXPECT_EQ(ReadBookInfo({"story:7001", bad}).storyNumber, std::nullopt) << bad;
    }
    EXPECT_FALSE(ParseChapterLine("chapter_x / 5: T"));
    EXPECT_FALSE(ParseChapterLine("chapter_0 / 5: T"));
    EXPECT_FALSE(ParseChapterLine("chapter_3 of 5: T"));
}

class RunLogTailTest : public ::testing::Test {
  protected:
    void Append(const std::string& bytes) {
        FILE* file = std::fopen(path_.c_str(), "ab");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    Lines Poll(bool final = false) {
        Lines lines;
        tail_.Poll(lines, final);
        return lines;
    }

    TempDir dir_{"tail"};
    std::string path_ = dir_.file("run.log");
    RunLogTail tail_{path_};
};

TEST_F(RunLogTailTest, TakesWholeLinesOnlyUntilTheWriterHasEnded) {
    Lines lines;
    EXPECT_EQ(tail_.Poll(lines), RunLogTail::Result::Missing);
    Append("title:T\r\nchap");
    EXPECT_EQ(Poll(), Lines{"title:T"});
    Append("ter:2\r");
    EXPECT_EQ(Poll(), Lines{}) << "a CR at the end may still get its LF";
    Append("\nchapter_1 / 2: One\r\n");
    EXPECT_EQ(Poll(), (Lines{"chapter:2", "chapter_1 / 2: One"}));
    EXPECT_EQ(tail_.Poll(lines), RunLogTail::Result::Unchanged);
    Append("done");
    EXPECT_EQ(Poll(), Lines{});
    EXPECT_EQ(Poll(true), Lines{"done"});
}

TEST_F(RunLogTailTest, StartsOverWhenANewJobEmptiedTheLog) {
    Append("title:Old\r\nauthor:A\r\n");
    EXPECT_EQ(Poll().size(), 2u);
    WriteFile(path_, "title:New\r\n");
    Lines lines;
    EXPECT_EQ(tail_.Poll(lines), RunLogTail::Result::Restarted);
    EXPECT_EQ(lines, Lines{"title:New"});
}

}  // namespace
}  // namespace quill::test
