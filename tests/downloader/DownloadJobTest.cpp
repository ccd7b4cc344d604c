// Whole download jobs: bin/quillmain run as a process against the story-site simulator.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <memory>

#include "JobRunner.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class DownloadJob : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = std::make_unique<StorySim>(); }
    static void TearDownTestSuite() { sim_.reset(); }

    RunResult Download(int storyId) { return Download(sim_->story_url(storyId)); }
    RunResult Download(const std::string& url) {
        sim_->reset_log();
        RunResult result = RunJob(*sim_, url, work_.path());
        EXPECT_FALSE(result.timedOut) << result.Describe();
        return result;
    }
    std::vector<std::string> Keyed() const { return KeyedLines(RunLogLines(work_.path())); }
    std::vector<std::string> Files() const { return ListDir(work_.path()); }
    std::string File(const std::string& name) const { return ReadFile(work_.file(name)); }

    static std::unique_ptr<StorySim> sim_;
    TempDir work_;
};

std::unique_ptr<StorySim> DownloadJob::sim_;

TEST_F(DownloadJob, SampleStoryLeavesLogChaptersAndCoverWithOneRequestPerPage) {
    const RunResult result = Download(1001);
    ASSERT_TRUE(result.succeeded()) << result.Describe();

    EXPECT_THAT(Keyed(), ElementsAre("title:The Keeper’s Daughter — “A Winter at Pointe-Aubé”",
                                     "author:Maren Holloway", "cover page:cover.jpg", "chapter:5",
                                     "chapter_1 / 5: Chapter 1: The Last Ferry",
                                     "chapter_2 / 5: Chapter 2: Salt in the Lamp Room",
                                     "chapter_3 / 5: Chapter 3: Letters from Quimper",
                                     "chapter_4 / 5: Chapter 4: The Storm Log",
                                     "chapter_5 / 5: Chapter 5: Morning at Pointe-Aubé", "done"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "4.html", "5.html", "cover.jpg",
                                     "run.log"));
    EXPECT_EQ(File("cover.jpg"), sim_->get("/covers/1001.jpg").body);

    // The story page, the cover, then each chapter's first view and its pages in order.
    const std::vector<std::string> requests = sim_->requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests[0], "/story/1001");
    EXPECT_EQ(requests[1], "/covers/1001.jpg");
    EXPECT_EQ(requests[2], "/100101-the-last-ferry");
    EXPECT_EQ(requests[3], "/100101-the-last-ferry/page/1");
    int firstViews = 0;
    for (const std::string& path : requests) {
        firstViews += path.find("/page/") == std::string::npos && path[1] != 's' && path[1] != 'c';
    }
    EXPECT_EQ(firstViews, 5);
}

TEST_F(DownloadJob, ChapterFileIsHeadingThenOnePageBlockPerPage) {
    ASSERT_TRUE(Download(1001).succeeded());
    const std::string page1 = sim_->get("/100104-the-storm-log/page/1").body;
    const std::string chapter = File("4.html");
    ASSERT_EQ(chapter.rfind(
                  "<h2>Chapter 4: The Storm Log</h2>\n<div class=\"page\">\n\n <p data-p-id=\"", 0),
              0u)
        << chapter.substr(0, 200);
    EXPECT_THAT(chapter, ::testing::EndsWith("\n </p>\n\n</div>\n"));
    EXPECT_THAT(chapter, Not(HasSubstr("<pre")));
    EXPECT_THAT(chapter, Not(HasSubstr("<html")));
    // Entities stay escaped, non-ASCII stays raw UTF-8.
    EXPECT_THAT(File("1.html"), HasSubstr("Élise"));
}

TEST_F(DownloadJob, AuthorsNotesAreSkippedWithoutRequestsButKeepTheirPositions) {
    ASSERT_TRUE(Download(1009).succeeded());
    EXPECT_THAT(Keyed(),
                ElementsAre("title:Author’s Notes", "author:Test Author", "cover page:cover.jpg",
                            "chapter:6", "chapter_1 / 6: Prologue", "chapter_3 / 6: Chapter 1",
                            "chapter_5 / 6: A-N part 2", "chapter_6 / 6: Chapter 2", "done"));
    EXPECT_THAT(Files(),
                ElementsAre("1.html", "3.html", "5.html", "6.html", "cover.jpg", "run.log"));
    for (const std::string& path : sim_->requests()) {
        EXPECT_THAT(path, Not(HasSubstr("100902"))) << "skipped entries are never fetched";
        EXPECT_THAT(path, Not(HasSubstr("100904")));
    }
}

TEST_F(DownloadJob, FailedChaptersAreLoggedWithTheirCauseAndTheRunGoesOn) {
    const RunResult result = Download(1007);
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    const std::vector<std::string> lines = RunLogLines(work_.path());
    EXPECT_THAT(Keyed(),
                ElementsAre("title:HTTP Errors", "author:Test Author", "cover page:cover.jpg",
                            "chapter:4", "chapter_1 / 4: Chapter 1", "chapter_2 / 4: Chapter 2",
                            "error ontimer", "chapter_3 / 4: Chapter 3", "error ontimer",
                            "chapter_4 / 4: Chapter 4", "done"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "4.html", "cover.jpg", "run.log"));

    // The description names the operations and ends with the failure's kind and message.
    const auto error = std::find(lines.begin(), lines.end(), "error ontimer");
    ASSERT_NE(error, lines.end());
    ASSERT_GE(lines.end() - error, 4);
    EXPECT_THAT(error[1], HasSubstr("Failure"));
    EXPECT_THAT(error[2], HasSubstr("get_book("));
    std::string description;
    for (auto line = error + 1; line != lines.end() && line->rfind("chapter_", 0) != 0; ++line) {
        description += *line + "\n";
    }
    EXPECT_THAT(description, HasSubstr("get_chapter(" + sim_->base_url() + "/100702-"));
    EXPECT_THAT(description,
                HasSubstr("HTTPError: HTTP status 500 for " + sim_->base_url() + "/100702-"));
    EXPECT_THAT(result.stdOut, HasSubstr("HTTPError: HTTP status 500"));

    // The cover failed too: an empty file, three lines on standard output, the job went on.
    EXPECT_EQ(File("cover.jpg"), "");
    EXPECT_THAT(result.stdOut,
                HasSubstr("Can't retrieve the cover\nHTTP status 500 for " + sim_->base_url() +
                          "/covers/1007.jpg\n"
                          "Continuing without a cover\n"));
}

TEST_F(DownloadJob, PagesWithoutTextOrHeadingFailTheirChapterAndAttributedPreKeepsItsTag) {
    ASSERT_TRUE(Download(1008).succeeded());
    EXPECT_THAT(Files(), ElementsAre("2.html", "4.html", "cover.jpg", "run.log"));
    const std::string chapter = File("2.html");
    EXPECT_THAT(chapter, HasSubstr("<div class=\"page\">\n<pre class=\"text\" dir=\"ltr\">\n"));
    EXPECT_THAT(chapter, Not(HasSubstr("</pre>")));
}

TEST_F(DownloadJob, RepeatedLinksCountOnceAndSameAddressWithOtherTextCountsTwice) {
    ASSERT_TRUE(Download(1010).succeeded());
    EXPECT_THAT(
        Keyed(),
        ElementsAre("title:Duplicate Links", "author:Test Author", "cover page:cover.jpg",
                    "chapter:4", "chapter_1 / 4: Chapter 1", "chapter_2 / 4: Chapter 2",
                    "chapter_3 / 4: Chapter 2 (again)", "chapter_4 / 4: Chapter 3", "done"));
    EXPECT_EQ(File("2.html"), File("3.html"));
}

TEST_F(DownloadJob, EntryWithoutAddressFailsWithoutPause) {
    ASSERT_TRUE(Download(1011).succeeded());
    EXPECT_THAT(Keyed(),
                ElementsAre("title:Lost Chapter", "author:Test Author", "cover page:cover.jpg",
                            "chapter:3", "chapter_1 / 3: Chapter 1", "chapter_2 / 3: Lost chapter",
                            "error ontimer", "chapter_3 / 3: Chapter 3", "done"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "3.html", "cover.jpg", "run.log"));
}

size_t PageBlocks(const std::string& chapter) {
    size_t blocks = 0;
    for (size_t at = chapter.find("<div class=\"page\">"); at != std::string::npos;
         at = chapter.find("<div class=\"page\">", at + 1)) {
        ++blocks;
    }
    return blocks;
}

TEST_F(DownloadJob, PageCountIsTheSiteDataReadAsJson) {
    ASSERT_TRUE(Download(1012).succeeded());
    // The key counts in capitals and with a capital initial; zero pages: heading only; a
    // blank after the colon is JSON too; of two counts the last wins, as in a browser; an
    // empty count is no JSON.
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "4.html", "6.html", "7.html",
                                     "cover.jpg", "run.log"));
    EXPECT_EQ(PageBlocks(File("1.html")), 2u);
    EXPECT_EQ(File("2.html"), "<h2>No pages</h2>\n");
    EXPECT_EQ(PageBlocks(File("3.html")), 2u);
    EXPECT_EQ(PageBlocks(File("4.html")), 3u);
    EXPECT_EQ(PageBlocks(File("6.html")), 1u);
}

TEST_F(DownloadJob, StoryTextCannotSetThePageCountAndHugeCountsFetchNothing) {
    ASSERT_TRUE(Download(1051).succeeded());
    EXPECT_THAT(Files(), ElementsAre("1.html", "4.html", "cover.jpg", "run.log"));
    // The text says "pages":1, before the site's data does; both pages are kept.
    EXPECT_EQ(PageBlocks(File("1.html")), 2u);
    EXPECT_THAT(File("1.html"), HasSubstr("would have lost"));
    EXPECT_EQ(PageBlocks(File("4.html")), 2u);
    const std::string log = ReadFile(work_.file("run.log"));
    EXPECT_THAT(log, HasSubstr("the page count 999999999 in " + sim_->base_url() +
                               "/105102-part-105102 is outside 0 to 1000"));
    EXPECT_THAT(log, HasSubstr("the page count 1001 in"));
    for (const std::string& path : sim_->requests()) {
        EXPECT_THAT(path, Not(HasSubstr("/105102-part-105102/page/")));
        EXPECT_THAT(path, Not(HasSubstr("/105103-part-105103/page/")));
    }
}

TEST_F(DownloadJob, ForgedKeyLinesStayInsideTheirValues) {
    ASSERT_TRUE(Download(1050).succeeded());
    const std::vector<std::string> lines = RunLogLines(work_.path());
    for (const char* key : {"title:", "author:", "chapter:"}) {
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.rfind(key, 0) == 0; }),
                  1)
            << key;
    }
    EXPECT_THAT(
        Keyed(),
        ElementsAre("title:Evil  chapter:999  title:Forged", "author:Mal author:Forged chapter:3",
                    "cover page:cover.jpg", "chapter:4", "chapter_1 / 4: Next chapter: Home",
                    "chapter_2 / 4: Opening chapter:1", "chapter_3 / 4: Subtitle: The Return",
                    "chapter_4 / 4: Last done", "done"));
    EXPECT_THAT(Files(),
                ElementsAre("1.html", "2.html", "3.html", "4.html", "cover.jpg", "run.log"));
    // A heading is text: its markup characters are written as entities.
    EXPECT_EQ(File("3.html").rfind("<h2>&lt;i&gt;Fish&lt;/i&gt; &amp; Chips &lt;3</h2>\n", 0), 0u);
}

TEST_F(DownloadJob, LinksResolveAgainstTheStoryPageAndStayOnItsSite) {
    ASSERT_TRUE(Download(1052).succeeded());
    EXPECT_THAT(Files(), ElementsAre("1.html", "4.html", "5.html", "cover.jpg", "run.log"));
    const std::string log = ReadFile(work_.file("run.log"));
    EXPECT_THAT(
        log,
        HasSubstr("ValueError: the chapter link http://localhost:" + std::to_string(sim_->port()) +
                  "/105202-part-105202 leads away from the story's site " + sim_->base_url()));
    // "@host:port/…" is a path below the story page, fetched from the story's own server.
    EXPECT_THAT(log, HasSubstr("HTTP status 404 for " + sim_->base_url() + "/story/@127.0.0.1:"));
    for (const std::string& path : sim_->requests()) {
        EXPECT_THAT(path, Not(HasSubstr("105202"))) << "another host's chapter was fetched";
    }
}

TEST_F(DownloadJob, NonAsciiTitlesSlashesAndMarkupCharactersInHeadings) {
    const RunResult result = Download(1013);
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_THAT(Keyed(),
                ElementsAre("title:Zoë’s Café — «Nuit»", "author:Åsa Lindqvist 山田",
                            "cover page:cover.jpg", "chapter:3", "chapter_1 / 3: 第一章 — 朝の海",
                            "chapter_2 / 3: Part 1-2", "chapter_3 / 3: Fish & Chips", "done"));
    EXPECT_EQ(File("3.html").rfind("<h2>Fish &amp; Chips &lt;3</h2>\n", 0), 0u);
    EXPECT_THAT(result.stdOut, HasSubstr("b'2/ 3: Part 1-2'"));
    EXPECT_THAT(result.stdOut, HasSubstr("b'1/ 3: \\xe7\\xac\\xac\\xe4\\xb8\\x80"));
}

TEST_F(DownloadJob, EmptyTableOfContentsGivesCountZeroThenDone) {
    ASSERT_TRUE(Download(1014).succeeded());
    EXPECT_THAT(Keyed(), ElementsAre("title:Empty Contents", "author:Test Author",
                                     "cover page:cover.jpg", "chapter:0", "done"));
}

TEST_F(DownloadJob, FailingLastChapterLeavesItsNumberMissing) {
    ASSERT_TRUE(Download(1015).succeeded());
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "cover.jpg", "run.log"));
    EXPECT_EQ(Keyed().back(), "done");
}

TEST_F(DownloadJob, TableOfContentsAddressReadsTheChapterPageList) {
    ASSERT_TRUE(Download(sim_->url("/100102-salt-in-the-lamp-room")).succeeded());
    EXPECT_THAT(Keyed(), ::testing::Contains("chapter:5"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "4.html", "5.html", "cover.jpg",
                                     "run.log"));
}

TEST_F(DownloadJob, TransientFailureIsRetriedAndSlowAnswerWaitedFor) {
    const RunResult result = Download(1016);
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "cover.jpg", "run.log"));
    EXPECT_THAT(result.stdOut, HasSubstr("Retrying " + sim_->base_url() + "/flaky/"));
}

TEST_F(DownloadJob, UnusableMetadataEndsTheJobBeforeTheTitleLine) {
    for (const int story : {1002, 1003, 1005, 1006, 1018, 1019}) {
        SCOPED_TRACE(story);
        const RunResult result = Download(story);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_EQ(result.termSignal, 0) << "a failure must not abort";
        EXPECT_THAT(result.stdErr, HasSubstr("quillmain: the download stopped: "));
        // The one line says why, for the window: the page came, without the story's data.
        const std::vector<std::string> lines = RunLogLines(work_.path());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_THAT(lines[0], StartsWith("fatal:no-story-data:"));
        EXPECT_THAT(Files(), ElementsAre("run.log"));
    }
}

TEST_F(DownloadJob, NumericHeadlineIsUsedAsText) {
    ASSERT_TRUE(Download(1004).succeeded());
    EXPECT_EQ(Keyed().front(), "title:1004");
}

TEST_F(DownloadJob, StaleBookFileIsRemovedAndSecondJobEmptiesTheRunLog) {
    WriteFile(work_.file("Empty Contents - Test Author.epub"), "old");
    WriteFile(work_.file("keep.txt"), "mine");
    ASSERT_TRUE(Download(1009).succeeded());
    ASSERT_TRUE(Download(1014).succeeded());
    EXPECT_EQ(Keyed().front(), "title:Empty Contents");
    EXPECT_EQ(Keyed().size(), 5u);
    EXPECT_THAT(Files(), Not(::testing::Contains("Empty Contents - Test Author.epub")));
    EXPECT_THAT(Files(), ::testing::Contains("keep.txt"));
}

TEST_F(DownloadJob, PastedListsTablesAndDocumentsKeepAllTheirText) {
    ASSERT_TRUE(Download(1054).succeeded());
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "cover.jpg", "run.log"));
    const std::string sheet = File("1.html"), pasted = File("2.html");
    for (const char* word : {"Alpha", "Strength", "Bravo", "shield", "Charlie", "Echo", "Golf"}) {
        EXPECT_THAT(sheet, HasSubstr(word));
    }
    EXPECT_THAT(sheet, HasSubstr("<table>"));
    for (const char* word : {"Hotel", "India", "Juliet", "Kilo", "Lima"}) {
        EXPECT_THAT(pasted, HasSubstr(word));
    }
    EXPECT_EQ(PageBlocks(pasted), 2u);
}

TEST_F(DownloadJob, OversizedPagesFailByNameWithinTheMemoryBound) {
    const RunResult result = Download(1053);
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    const std::string log = ReadFile(work_.file("run.log"));
    EXPECT_THAT(log, HasSubstr("/hostile/gzip/60 is larger than 8 MB"));
    EXPECT_THAT(log, HasSubstr("a tag with more than 1000 attributes"));
    EXPECT_THAT(log, HasSubstr("elements nested deeper than 256 levels"));
    EXPECT_THAT(log, HasSubstr("/hostile/breaks/349000 is larger than 16 MB (stopped at page 1"));
    // A page just under 8 MB is read whole.
    EXPECT_THAT(Files(), ElementsAre("5.html", "6.html", "cover.jpg", "run.log"));
    EXPECT_GT(File("5.html").size(), 7u << 20);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine make the peak meaningless";
#endif
    // The largest child this test has waited for is the downloader.
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LE(usage.ru_maxrss, 300 * 1024) << "peak memory in KiB";
}

TEST_F(DownloadJob, HostileChapterPagesFailCleanlyOrAreRead) {
    const std::string catalog = R"({"stories": [{"id": 4242, "slug": "hostile", "title": "Hostile",
        "author": "X", "description": "d", "parts": [
        {"id": 1, "title": "Nested", "pages": 1, "href": "/hostile/nested?depth=200000"},
        {"id": 2, "title": "Soup", "pages": 1, "href": "/hostile/soup?kb=3000"},
        {"id": 3, "title": "Bad UTF-8", "pages": 1, "href": "/hostile/badutf8"},
        {"id": 4, "title": "Hang", "pages": 1, "href": "/hang"},
        {"id": 5, "title": "Fine", "pages": 1}]}]})";
    StorySim::Options options;
    options.catalogJson = catalog;
    StorySim hostile(options);
    const RunResult result = RunJob(hostile, hostile.story_url(4242), work_.path());
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    const std::vector<std::string> keyed = Keyed();
    EXPECT_EQ(keyed.back(), "done");
    // Deep nesting, tag soup and silence fail their chapters; bad bytes are read around.
    EXPECT_EQ(std::count(keyed.begin(), keyed.end(), "error ontimer"), 3);
    EXPECT_THAT(Files(), ElementsAre("3.html", "5.html", "cover.jpg", "run.log"));
    EXPECT_THAT(File("3.html"), HasSubstr("\xEF\xBF\xBD"));
}

}  // namespace
}  // namespace quill::test
