// The chapter store across jobs: resuming after a failure, a story that grows, refreshing,
// and a downloader killed while it writes. Requests are counted at the simulator.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <chrono>
#include <thread>

#include "JobRunner.h"
#include "common/Digest.h"
#include "platform/ChildProcess.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A story whose chapters are given by the test; `text` goes into every page.
std::string GrowingCatalog(int chapters, const std::string& text) {
    std::string parts;
    for (int i = 1; i <= chapters; ++i) {
        parts += std::string(i > 1 ? "," : "") + R"({"id": )" + std::to_string(105600 + i) +
                 R"(, "title": "Chapter )" + std::to_string(i) + R"(", "pages": [[")" + text +
                 R"( )" + std::to_string(i) + R"("], [")" + text + R"( too"]]})";
    }
    return R"({"stories": [{"id": 1056, "title": "Growing", "author": "Test Author",
        "description": "d", "parts": [)" +
           parts + "]}]}";
}

// Story 1056 of one chapter, its metadata naming `language` (a JSON value) as inLanguage.
std::string CatalogInLanguage(const std::string& language) {
    return R"({"stories": [{"id": 1056, "title": "Growing", "author": "Test Author",
        "description": "d", "meta": {"inLanguage": )" +
           language + R"(}, "parts": [{"id": 105601, "title": "One", "pages": 1}]}]})";
}

class Resume : public ::testing::Test {
  protected:
    // One job on a fresh work folder (the window clears it before every job).
    RunResult Job(int story, bool refresh = false) {
        work_ = std::make_unique<TempDir>();
        sim_.reset_log();
        JobTicket ticket{sim_.story_url(story), work_->path(), store_.path(), refresh};
        RunResult result = RunJob(sim_, ticket);
        EXPECT_TRUE(result.succeeded()) << result.Describe();
        return result;
    }
    std::vector<std::string> Keyed() const { return KeyedLines(RunLogLines(work_->path())); }
    std::vector<std::string> Files() const { return ListDir(work_->path()); }
    std::string File(const std::string& name) const { return ReadFile(work_->file(name)); }

    TempDir catalog_;
    StorySim sim_{[this] {
        WriteFile(catalog_.file("catalog.json"), GrowingCatalog(3, "First"));
        StorySim::Options options;
        options.catalogFile = catalog_.file("catalog.json");
        return options;
    }()};
    TempDir store_;
    std::unique_ptr<TempDir> work_;
};

TEST_F(Resume, AChapterThatFailedIsTheOnlyOneFetchedNextTime) {
    Job(1055);
    EXPECT_THAT(Files(), ElementsAre("1.html", "3.html", "cover.jpg", "run.log"));
    const std::string first = File("1.html"), third = File("3.html");

    Job(1055);
    // The story page, then the failed chapter's first view and its two pages; no cover.
    const std::string chapter = "/flaky/story1055/1/500/105502-part-105502";
    EXPECT_THAT(sim_.requests(),
                ElementsAre("/story/1055", chapter, chapter + "/page/1", chapter + "/page/2"));
    EXPECT_THAT(
        Keyed(),
        ElementsAre("title:Fails Once", "author:Test Author", "cover page:cover.jpg", "chapter:3",
                    "chapter_1 / 3: Chapter 1 (saved copy)", "chapter_2 / 3: Chapter 2",
                    "chapter_3 / 3: Chapter 3 (saved copy)", "done"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "cover.jpg", "run.log"));
    EXPECT_EQ(File("1.html"), first);
    EXPECT_EQ(File("3.html"), third);
    EXPECT_EQ(File("cover.jpg"), sim_.get("/covers/1055.jpg").body);
}

TEST_F(Resume, AStoryThatGrewFetchesOnlyItsNewChapters) {
    Job(1056);
    WriteFile(catalog_.file("catalog.json"), GrowingCatalog(5, "First"));
    Job(1056);
    EXPECT_THAT(sim_.requests(),
                ElementsAre("/story/1056", "/105604-part-105604", "/105604-part-105604/page/1",
                            "/105604-part-105604/page/2", "/105605-part-105605",
                            "/105605-part-105605/page/1", "/105605-part-105605/page/2"));
    EXPECT_THAT(Files(), ElementsAre("1.html", "2.html", "3.html", "4.html", "5.html", "cover.jpg",
                                     "run.log"));
    EXPECT_THAT(File("5.html"), HasSubstr("First 5"));
}

TEST_F(Resume, RefreshFetchesEveryChapterAgainAndReplacesWhatIsKept) {
    Job(1056);
    WriteFile(catalog_.file("catalog.json"), GrowingCatalog(3, "Second"));
    Job(1056, true);
    // Story page, cover, and every chapter with its two pages.
    EXPECT_EQ(sim_.requests().size(), 1u + 1u + 3u * 3u);
    EXPECT_THAT(Keyed()[4], "chapter_1 / 3: Chapter 1");
    EXPECT_THAT(File("2.html"), HasSubstr("Second 2"));
    // The next plain job finds the refreshed copies.
    Job(1056);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1056"));
    EXPECT_THAT(File("2.html"), HasSubstr("Second 2"));
}

TEST_F(Resume, ADamagedOrUnreadableStoreEntryIsNamedAndFetchedAgain) {
    Job(1056);
    auto entry = [this](int part) {
        return store_.file("1056/" +
                           Sha256Hex(sim_.url("/10560" + std::to_string(part) + "-part-10560" +
                                              std::to_string(part))) +
                           ".chapter");
    };
    // Chapter 1 changed in its middle, its length kept; chapter 2 a named pipe that no one
    // writes; the cover a link to an entry that would pass every check.
    std::string bytes = ReadFile(entry(1));
    bytes[bytes.size() - 10] ^= 1;
    WriteFile(entry(1), bytes);
    ASSERT_EQ(std::remove(entry(2).c_str()), 0);
    ASSERT_EQ(mkfifo(entry(2).c_str(), 0600), 0);
    const std::string cover = store_.file("1056/cover.picture");
    ASSERT_EQ(std::rename(cover.c_str(), store_.file("kept.picture").c_str()), 0);
    ASSERT_EQ(symlink(store_.file("kept.picture").c_str(), cover.c_str()), 0);

    Job(1056);
    EXPECT_THAT(sim_.requests(),
                ElementsAre("/story/1056", "/covers/1056.jpg", "/105601-part-105601",
                            "/105601-part-105601/page/1", "/105601-part-105601/page/2",
                            "/105602-part-105602", "/105602-part-105602/page/1",
                            "/105602-part-105602/page/2"));
    const std::vector<std::string> lines = RunLogLines(work_->path());
    EXPECT_THAT(lines, ::testing::Contains(
                           "The saved cover was damaged (it is a symbolic link, which is not "
                           "followed); it is fetched again."));
    EXPECT_THAT(lines, ::testing::Contains(
                           "The saved copy of chapter 1 was damaged (its content does not match "
                           "the digest recorded when it was written); it is fetched again."));
    EXPECT_THAT(lines, ::testing::Contains("The saved copy of chapter 2 was damaged (it is not a "
                                           "regular file); it is fetched again."));
    EXPECT_THAT(File("1.html"), HasSubstr("First 1"));
    // Fetched entries replace what stood there; the next job takes all of them.
    Job(1056);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1056"));
}

// Starts the downloader without waiting for it.
std::unique_ptr<platform::ChildProcess> StartJob(const StorySim& sim, const JobTicket& ticket) {
    platform::ChildOptions options;
    options.extraEnv = JobEnvironment(sim);
    options.extraEnv["QUILLBY_CHAPTER_PAUSE_MS"] = "0";
    auto job = std::make_unique<platform::ChildProcess>();
    if (!job->Start(QuillmainPath(), {EncodeTicket(ticket)}, options)) {
        throw std::runtime_error("cannot start the downloader: " +
                                 std::string(std::strerror(job->ErrorCode())));
    }
    return job;
}

bool EndsWithin(platform::ChildProcess& job, std::chrono::milliseconds timeout) {
    return job.Wait(static_cast<int>(timeout.count())) ==
           platform::ChildProcess::WaitResult::Exited;
}

TEST_F(Resume, AKilledDownloaderLeavesNoPartOfAChapterUnderItsName) {
    // The whole chapters, from a job that ran to its end without a store.
    TempDir reference;
    ASSERT_TRUE(RunJob(sim_, sim_.story_url(1057), reference.path()).succeeded());
    for (const int killAfterMs : {200, 600, 1000, 1400}) {
        SCOPED_TRACE(killAfterMs);
        TempDir work;
        const std::unique_ptr<platform::ChildProcess> job =
            StartJob(sim_, {sim_.story_url(1057), work.path(), store_.path(), false});
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        kill(job->Pid(), SIGKILL);
        ASSERT_TRUE(EndsWithin(*job, std::chrono::seconds(10)));
        for (const std::string& name : ListDir(work.path())) {
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) {
                EXPECT_EQ(ReadFile(work.file(name)), ReadFile(reference.file(name))) << name;
            }
        }
    }
    // Whatever the store kept is whole: a last job completes the story from it.
    Job(1057);
    for (int i = 1; i <= 10; ++i) {
        const std::string name = std::to_string(i) + ".html";
        EXPECT_EQ(File(name), ReadFile(reference.file(name))) << name;
    }
}

TEST_F(Resume, TwoJobsAtOnceShareTheStoreAndBothEndWhole) {
    TempDir first, second;
    const auto one = StartJob(sim_, {sim_.story_url(1001), first.path(), store_.path(), false});
    const auto two = StartJob(sim_, {sim_.story_url(1001), second.path(), store_.path(), false});
    ASSERT_TRUE(EndsWithin(*one, std::chrono::seconds(60)));
    ASSERT_TRUE(EndsWithin(*two, std::chrono::seconds(60)));
    EXPECT_EQ(one->ExitCode(), 0);
    EXPECT_EQ(two->ExitCode(), 0);
    for (int i = 1; i <= 5; ++i) {
        const std::string name = std::to_string(i) + ".html";
        EXPECT_EQ(ReadFile(first.file(name)), ReadFile(second.file(name))) << name;
    }
    Job(1001);
    EXPECT_THAT(sim_.requests(), ElementsAre("/story/1001"));
}

TEST_F(Resume, AWriteCutShortLeavesNoPartOfAChapterUnderItsName) {
    // A file-size limit of 2 MB ends the downloader (SIGXFSZ) in the middle of writing its
    // first 3 MB chapter, exactly where a crash or a full disk would.
    work_ = std::make_unique<TempDir>();
    const JobTicket ticket{sim_.story_url(1057), work_->path(), store_.path(), false};
    const RunResult result =
        test::Run({"prlimit", "--fsize=2000000", QuillmainPath(), EncodeTicket(ticket)},
                  JobEnvironment(sim_), std::chrono::seconds(60));
    EXPECT_EQ(result.termSignal, SIGXFSZ) << result.Describe();
    // At most the writer's hidden temporary file is left, under a name no reader takes.
    for (const std::string& name : Files()) {
        EXPECT_THAT(name, ::testing::Not(::testing::MatchesRegex("[0-9]+\\.html"))) << name;
    }
    Job(1057);
    EXPECT_EQ(Files().size(), 12u);
}

TEST_F(Resume, TheSitesLanguageIsKeptWithTheStoryAndOnlyAsATag) {
    const auto languageLines = [this] {
        std::vector<std::string> lines;
        for (const std::string& line : RunLogLines(work_->path())) {
            if (line.rfind("language:", 0) == 0 || line == "chapter:99") {
                lines.push_back(line);
            }
        }
        return lines;
    };
    WriteFile(catalog_.file("catalog.json"), CatalogInLanguage(R"("AR-eg")"));
    Job(1056);
    EXPECT_THAT(languageLines(), ElementsAre("language:ar-EG"));
    // A page whose value is no tag names none; the story keeps what the site said before.
    WriteFile(catalog_.file("catalog.json"), CatalogInLanguage(R"("ar\nchapter:99")"));
    Job(1056);
    EXPECT_THAT(languageLines(), ElementsAre("language:ar-EG"));
    WriteFile(catalog_.file("catalog.json"), CatalogInLanguage("null"));
    Job(1056);
    EXPECT_THAT(languageLines(), ElementsAre("language:ar-EG"));
    // The site's new word replaces the kept one.
    WriteFile(catalog_.file("catalog.json"), CatalogInLanguage(R"("he")"));
    Job(1056);
    EXPECT_THAT(languageLines(), ElementsAre("language:he"));
}

}  // namespace
}  // namespace quill::test
