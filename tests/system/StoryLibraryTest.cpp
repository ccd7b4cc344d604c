// The library of kept stories from the command line: several stories in one run, the list,
// an update of all of them that costs one request for a story with nothing new, failures,
// a kill in the middle, and two programs at once. Requests are counted at the simulator,
// whose catalog the tests change between runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

#include "QuillbyRun.h"
#include "platform/ChildProcess.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Paths = std::vector<std::string>;

// A story of the test catalog: `chapters` chapters of `pages` pages each.
struct Tale {
    int id;
    std::string title;
    int chapters;
    int pages = 1;
    int status = 200;  // of the story page
};

std::string Catalog(const std::vector<Tale>& tales) {
    nlohmann::json stories = nlohmann::json::array();
    for (const Tale& tale : tales) {
        nlohmann::json parts = nlohmann::json::array();
        for (int i = 1; i <= tale.chapters; ++i) {
            parts.push_back({{"id", tale.id * 100 + i},
                             {"title", "Chapter " + std::to_string(i)},
                             {"slug", "c" + std::to_string(i)},
                             {"pages", tale.pages}});
        }
        stories.push_back({{"id", tale.id},
                           {"slug", "tale"},
                           {"title", tale.title},
                           {"author", "Test Author"},
                           {"description", "d"},
                           {"status", tale.status},
                           {"parts", parts}});
    }
    return nlohmann::json{{"stories", stories}}.dump();
}

// The requests a story's chapter `i` costs: its first view and each of its pages.
Paths ChapterRequests(int story, int i, int pages) {
    const std::string part = "/" + std::to_string(story * 100 + i) + "-c" + std::to_string(i);
    Paths requests{part};
    for (int k = 1; k <= pages; ++k) {
        requests.push_back(part + "/page/" + std::to_string(k));
    }
    return requests;
}

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return ready();
}

class StoryLibrary : public ::testing::Test {
  protected:
    void SetCatalog(const std::vector<Tale>& tales) {
        WriteFile(catalog_.file("catalog.json"), Catalog(tales));
    }
    std::string Story(int id) const { return sim_.url("/story/" + std::to_string(id) + "-tale"); }
    RunResult Quillby(const std::vector<std::string>& args) {
        std::vector<std::string> argv{QuillbyPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, desk_.env(), 120s);
    }
    // The library as --list --json gives it, by story number.
    std::map<int, nlohmann::json> Listed() {
        const RunResult list = Quillby({"--list", "--json"});
        EXPECT_EQ(list.exitCode, 0) << list.Describe();
        std::map<int, nlohmann::json> stories;
        for (const nlohmann::json& story : nlohmann::json::parse(list.stdOut)) {
            stories[story.at("number").get<int>()] = story;
        }
        return stories;
    }
    std::string Book(const std::string& title) const {
        return desk_.DataDir() + "/" + title + ".pdf";
    }
    // The requests of the last run, the test's own reset of the log excluded.
    Paths Requests() const {
        Paths requests = sim_.requests();
        requests.erase(std::remove(requests.begin(), requests.end(), "/__reset"), requests.end());
        return requests;
    }
    // The lines after the last blank one: the summary.
    static Paths Summary(const RunResult& run) {
        const Paths lines = Lines(run.stdOut);
        const auto blank = std::find(lines.rbegin(), lines.rend(), "");
        return Paths(blank.base(), lines.end());
    }

    TempDir catalog_;
    StorySim sim_{[this] {
        WriteFile(catalog_.file("catalog.json"), Catalog({}));
        StorySim::Options options;
        options.catalogFile = catalog_.file("catalog.json");
        return options;
    }()};
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(StoryLibrary, SeveralAddressesInOneRunAndTheList) {
    SetCatalog({{1301, "First Tale", 2, 2}, {1302, "Second Tale", 1, 1}});
    const RunResult run =
        Quillby({"--download", Story(1301), Story(1302), sim_.url("/story/1301?ref=again")});
    ASSERT_EQ(run.exitCode, 0) << run.Describe();

    Paths expected{"/story/1301-tale", "/covers/1301.jpg"};
    for (int i = 1; i <= 2; ++i) {
        const Paths chapter = ChapterRequests(1301, i, 2);
        expected.insert(expected.end(), chapter.begin(), chapter.end());
    }
    const Paths second = ChapterRequests(1302, 1, 1);
    expected.insert(expected.end(), {"/story/1302-tale", "/covers/1302.jpg"});
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(Requests(), expected) << "the same story given twice is downloaded once";
    EXPECT_THAT(Lines(run.stdOut), ::testing::Contains(Book("First Tale")));
    EXPECT_THAT(Summary(run),
                ElementsAre("\"First Tale\": 2 new chapters", "\"Second Tale\": 1 new chapter",
                            "2 stories had new chapters (3 in all)"));

    const RunResult list = Quillby({"--list"});
    ASSERT_EQ(list.exitCode, 0) << list.Describe();
    const Paths lines = Lines(list.stdOut);
    ASSERT_EQ(lines.size(), 2u) << list.stdOut;
    std::vector<std::string> fields;
    for (size_t start = 0, tab; start != std::string::npos;
         start = tab == std::string::npos ? tab : tab + 1) {
        tab = lines[0].find('\t', start);
        fields.push_back(lines[0].substr(start, tab - start));
    }
    ASSERT_EQ(fields.size(), 12u) << lines[0];
    EXPECT_EQ(fields[0], "1301");
    EXPECT_EQ(fields[1], "First Tale");
    EXPECT_EQ(fields[2], "Test Author");
    EXPECT_EQ(fields[4] + " " + fields[5] + " " + fields[6], "2 2 0");  // kept, on the site, new
    EXPECT_THAT(fields[7], ::testing::MatchesRegex("20[0-9][0-9]-[01][0-9]-[0-3][0-9]T.*Z"));
    EXPECT_EQ(fields[9], "complete");
    EXPECT_EQ(fields[10], Story(1301));
    EXPECT_EQ(fields[11], Book("First Tale"));
    EXPECT_THAT(lines[1], ::testing::StartsWith("1302\tSecond Tale\t"));

    const nlohmann::json second_story = Listed().at(1302);
    EXPECT_EQ(second_story.at("chapters_kept"), 1);
    EXPECT_EQ(second_story.at("books"),
              nlohmann::json::parse(R"([{"format": "pdf", "path": ")" + Book("Second Tale") +
                                    R"(", "chapters": "1"}])"));
}

// Two stories unchanged and one that grew by a chapter of three pages: the unchanged cost
// their story page each and keep their books byte for byte; only the grown one is fetched
// and built.
TEST_F(StoryLibrary, AnUpdateFetchesAndBuildsOnlyWhatGrew) {
    SetCatalog({{1311, "Calm One", 2}, {1312, "Growing", 2}, {1313, "Calm Two", 1}});
    const RunResult first = Quillby({"--download", Story(1311), Story(1312), Story(1313)});
    ASSERT_EQ(first.exitCode, 0) << first.Describe();
    const std::string calm = ReadFile(Book("Calm One")), calmToo = ReadFile(Book("Calm Two"));
    const auto calmTime = fs::last_write_time(Book("Calm One"));

    SetCatalog({{1311, "Calm One", 2}, {1312, "Growing", 3, 3}, {1313, "Calm Two", 1}});
    sim_.reset_log();
    const RunResult update = Quillby({"--update-all"});
    ASSERT_EQ(update.exitCode, 0) << update.Describe();
    Paths expected{"/story/1311-tale", "/story/1312-tale"};
    const Paths grown = ChapterRequests(1312, 3, 3);
    expected.insert(expected.end(), grown.begin(), grown.end());
    expected.push_back("/story/1313-tale");
    EXPECT_EQ(Requests(), expected);
    EXPECT_THAT(Summary(update),
                ElementsAre("\"Growing\": 1 new chapter", "1 story had new chapters (1 in all)"));

    EXPECT_EQ(ReadFile(Book("Calm One")), calm);
    EXPECT_EQ(ReadFile(Book("Calm Two")), calmToo);
    EXPECT_EQ(fs::last_write_time(Book("Calm One")), calmTime) << "not written again";
    const Paths lines = Lines(update.stdOut);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "building book ...."), 1);
    EXPECT_EQ(PdfInfo(Book("Growing")).at("Title"), "Growing");
    const std::map<int, nlohmann::json> listed = Listed();
    EXPECT_EQ(listed.at(1312).at("chapters_kept"), 3);
    EXPECT_EQ(listed.at(1312).at("books").at(0).at("chapters"), "1-3");

    // A book that is no longer as it was saved is made again, from the kept chapters.
    fs::remove(Book("Calm Two"));
    sim_.reset_log();
    const RunResult again = Quillby({"--update-all"});
    ASSERT_EQ(again.exitCode, 0) << again.Describe();
    EXPECT_EQ(Requests(), (Paths{"/story/1311-tale", "/story/1312-tale", "/story/1313-tale"}));
    EXPECT_EQ(ReadFile(Book("Calm One")), calm);
    EXPECT_TRUE(fs::is_regular_file(Book("Calm Two")));
}

// A story whose page no longer answers is recorded with its cause; the others are checked
// and the exit status says that one failed.
TEST_F(StoryLibrary, AStoryThatFailsIsRecordedWithItsCauseAndTheRestGoOn) {
    SetCatalog({{1321, "Gone Soon", 1}, {1322, "Still Here", 1}});
    ASSERT_EQ(Quillby({"--download", Story(1321), Story(1322)}).exitCode, 0);
    const std::string book = ReadFile(Book("Gone Soon"));
    SetCatalog({{1321, "Gone Soon", 2, 1, 404}, {1322, "Still Here", 2}});
    sim_.reset_log();

    const RunResult update = Quillby({"--update-all"});
    EXPECT_EQ(update.exitCode, 1) << update.Describe();
    Paths expected{"/story/1321-tale", "/story/1322-tale"};
    const Paths grown = ChapterRequests(1322, 2, 1);
    expected.insert(expected.end(), grown.begin(), grown.end());
    EXPECT_EQ(Requests(), expected);
    const Paths summary = Summary(update);
    ASSERT_EQ(summary.size(), 3u) << update.stdOut;
    EXPECT_EQ(summary[0], "\"Still Here\": 1 new chapter");
    EXPECT_THAT(summary[1], ::testing::StartsWith("\"Gone Soon\" could not be checked: "));
    EXPECT_EQ(summary[2], "1 story had new chapters (1 in all); 1 could not be checked");

    const nlohmann::json gone = Listed().at(1321);
    EXPECT_EQ(gone.at("outcome"), "failed");
    EXPECT_EQ(
        "\"Gone Soon\" could not be checked: " + gone.at("outcome_message").get<std::string>(),
        summary[1]);
    EXPECT_EQ(gone.at("chapters_kept"), 1) << "what was kept stays";
    EXPECT_EQ(ReadFile(Book("Gone Soon")), book);
}

// An update killed while it fetches the second story's new chapters: the library stays
// whole and what was fetched stays kept; the next update fetches only what is still
// missing, and the first story, checked already, costs its story page.
TEST_F(StoryLibrary, AKilledUpdateLosesNothingAndTheNextOnePicksUp) {
    SetCatalog({{1331, "Early", 1}, {1332, "Middle", 1}, {1333, "Late", 1}});
    ASSERT_EQ(Quillby({"--download", Story(1331), Story(1332), Story(1333)}).exitCode, 0);
    SetCatalog({{1331, "Early", 3}, {1332, "Middle", 3}, {1333, "Late", 3}});
    sim_.reset_log();

    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "1500";
    platform::ChildOptions options;
    options.extraEnv = desk_.env();
    platform::ChildProcess update;
    ASSERT_TRUE(update.Start(QuillbyPath(), {"--update-all"}, options));
    const std::string middleTwo = ChapterRequests(1332, 2, 1).back();
    ASSERT_TRUE(WaitUntil(
        [&] {
            const Paths requests = sim_.requests();
            return std::find(requests.begin(), requests.end(), middleTwo) != requests.end();
        },
        60s));
    std::this_thread::sleep_for(500ms);  // in the pause after that chapter
    ::kill(update.Pid(), SIGKILL);
    ASSERT_EQ(update.Wait(10000), platform::ChildProcess::WaitResult::Exited);

    std::map<int, nlohmann::json> listed = Listed();
    EXPECT_EQ(listed.at(1331).at("chapters_kept"), 3);
    EXPECT_EQ(listed.at(1332).at("chapters_kept"), 1) << "its job did not end";
    const Paths killedRun = Requests();
    sim_.reset_log();

    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "20";
    const RunResult again = Quillby({"--update-all"});
    ASSERT_EQ(again.exitCode, 0) << again.Describe();
    // Least recently checked first: the two the killed run did not finish, then the first.
    Paths expected{"/story/1332-tale"};
    const Paths middleThree = ChapterRequests(1332, 3, 1);
    expected.insert(expected.end(), middleThree.begin(), middleThree.end());
    expected.push_back("/story/1333-tale");
    for (int i = 2; i <= 3; ++i) {
        const Paths late = ChapterRequests(1333, i, 1);
        expected.insert(expected.end(), late.begin(), late.end());
    }
    expected.push_back("/story/1331-tale");
    EXPECT_EQ(Requests(), expected) << "killed run: " << ::testing::PrintToString(killedRun);
    listed = Listed();
    for (const int id : {1331, 1332, 1333}) {
        EXPECT_EQ(listed.at(id).at("chapters_kept"), 3) << id;
        EXPECT_EQ(listed.at(id).at("outcome"), "complete") << id;
    }
    EXPECT_EQ(listed.at(1332).at("books").at(0).at("chapters"), "1-3");
}

// While one update runs, a second is refused at once and a listing reads the library.
TEST_F(StoryLibrary, TwoProgramsAtOnceOneRunsAndTheOtherIsRefused) {
    SetCatalog({{1341, "Busy One", 1}, {1342, "Busy Two", 1}});
    ASSERT_EQ(Quillby({"--download", Story(1341), Story(1342)}).exitCode, 0);
    SetCatalog({{1341, "Busy One", 3}, {1342, "Busy Two", 3}});
    sim_.reset_log();

    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "1000";
    platform::ChildOptions options;
    options.extraEnv = desk_.env();
    platform::ChildProcess running;
    ASSERT_TRUE(running.Start(QuillbyPath(), {"--update-all"}, options));
    ASSERT_TRUE(WaitUntil([&] { return sim_.requests().size() >= 2; }, 60s));

    const RunResult second = Quillby({"--update-all"});
    EXPECT_EQ(second.exitCode, 4) << second.Describe();
    EXPECT_EQ(Lines(second.stdOut), Paths{"Another download is running. Wait for it to finish."});
    const RunResult list = Quillby({"--list"});
    EXPECT_EQ(list.exitCode, 0) << list.Describe();
    EXPECT_EQ(Lines(list.stdOut).size(), 2u);

    ASSERT_EQ(running.Wait(60000), platform::ChildProcess::WaitResult::Exited);
    EXPECT_EQ(running.ExitCode(), 0);
    EXPECT_EQ(Listed().at(1342).at("chapters_kept"), 3);
}

// A store and books kept before there was a library: they join it when it first opens,
// each book with its story.
TEST_F(StoryLibrary, WhatWasKeptBeforeTheLibraryJoinsItWhenItFirstOpens) {
    SetCatalog({{1351, "Kept Before", 2}});
    ASSERT_EQ(Quillby({"--download", Story(1351)}).exitCode, 0);
    const std::string data = desk_.home() + "/.local/share/Quillby Downloader";
    for (const std::string& name : ListDir(data)) {
        if (name.rfind("library.sqlite", 0) == 0) {
            fs::remove(data + "/" + name);
        }
    }
    const nlohmann::json story = Listed().at(1351);
    EXPECT_EQ(story.at("title"), "Kept Before");
    EXPECT_EQ(story.at("chapters_kept"), 2);
    EXPECT_EQ(story.at("outcome"), "unchecked");
    EXPECT_EQ(story.at("address"), sim_.url("/story/1351"));
    EXPECT_EQ(story.at("books").at(0).at("path"), Book("Kept Before"));

    sim_.reset_log();
    const RunResult update = Quillby({"--update-all"});
    ASSERT_EQ(update.exitCode, 0) << update.Describe();
    EXPECT_EQ(Requests(), Paths{"/story/1351"});
    EXPECT_EQ(Listed().at(1351).at("outcome"), "complete");
}

}  // namespace
}  // namespace quill::test
