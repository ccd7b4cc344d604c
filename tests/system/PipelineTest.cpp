// The book made while the downloader runs: every page rendered in the pauses and the book
// merged in the last one, saved only once the download has ended; made again when what it
// was made from changed meanwhile; and a kill in the middle of it leaves no worker and no
// half-made cache entry behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "QuillbyRun.h"
#include "common/Digest.h"
#include "platform/ChildProcess.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr size_t kNone = std::string::npos;

std::string PdfText(const std::string& pdf) {
    const RunResult text = Run({"pdftotext", "-enc", "UTF-8", pdf, "-"}, {}, 60s);
    EXPECT_TRUE(text.succeeded()) << text.Describe();
    return text.stdOut;
}

// Where the first line that starts with `start` is, kNone without one.
size_t LineStarting(const std::vector<std::string>& lines, const std::string& start) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(start, 0) == 0) {
            return i;
        }
    }
    return kNone;
}

// The titles of the story's chapters, as the run log lists them.
std::vector<std::string> ChapterTitles(const std::string& runLog) {
    std::vector<std::string> titles;
    for (const std::string& line : Lines(runLog)) {
        if (line.rfind("chapter_", 0) == 0) {
            std::string title = line.substr(line.find(": ") + 2);
            titles.push_back(title.substr(0, title.find_last_not_of('\r') + 1));
        }
    }
    return titles;
}

class Pipeline : public ::testing::Test {
  protected:
    std::string Work(const std::string& name) const { return desk_.WorkDir() + "/" + name; }
    std::string Book() const {
        return desk_.DataDir() + "/The Keeper’s Daughter — “A Winter at Poi.pdf";
    }
    bool DebugLogSays(const std::string& text) const {
        return desk_.DebugLog().find(text) != kNone;
    }

    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(Pipeline, EveryPageIsRenderedInThePausesAndTheBookIsSavedWhenTheDownloadEnds) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "2000";
    const RunResult run = desk_.Download(sim_.url("/story/1001-the-keepers-daughter"));
    ASSERT_TRUE(run.succeeded()) << run.Describe() << "\n" << run.stdOut;

    const std::vector<std::string> debug = Lines(desk_.DebugLog());
    const size_t ended = LineStarting(debug, "the downloader has ended");
    ASSERT_NE(ended, kNone);
    // Each page, the cover page's too, was rendered before the download ended, none after.
    std::set<std::string> rendered;
    for (size_t i = 0; i < debug.size(); ++i) {
        if (debug[i].rfind("page=", 0) == 0) {
            EXPECT_LT(i, ended) << debug[i] << " rendered after the download";
            rendered.insert(fs::path(debug[i]).filename().string());
        }
    }
    EXPECT_EQ(rendered,
              (std::set<std::string>{"0.html", ".render-1.html", ".render-2.html", ".render-3.html",
                                     ".render-4.html", ".render-5.html"}));
    EXPECT_LT(LineStarting(debug, "book made ahead"), ended);
    EXPECT_GT(LineStarting(debug, "the book made ahead is saved"), ended);

    // The window hears the build as it always has, and the book holds every chapter.
    EXPECT_THAT(run.stdOut, HasSubstr("\nbuilding book ....\n"));
    EXPECT_THAT(run.stdOut, HasSubstr("\nsave pdf file " + Book() + "\n"));
    const std::string text = PdfText(Book());
    const std::vector<std::string> titles = ChapterTitles(ReadFile(Work("run.log")));
    ASSERT_EQ(titles.size(), 5u);
    for (const std::string& title : titles) {
        EXPECT_THAT(text, HasSubstr(title));
    }
}

TEST_F(Pipeline, ABookMadeAheadIsMadeAgainWhenItsChaptersChangeBeforeTheDownloadEnds) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "3000";
    auto download = std::async(std::launch::async, [this] {
        return desk_.Download(sim_.url("/story/1001-the-keepers-daughter"));
    });
    ASSERT_TRUE(WaitUntil([this] { return DebugLogSays("book made ahead"); }, 80s));
    // In the downloader's last pause, chapter 2 is lost and chapter 3 written anew.
    const std::string runLog = ReadFile(Work("run.log"));
    ASSERT_THAT(runLog, Not(HasSubstr("\ndone"))) << "the download ended too soon";
    const std::string lost = ChapterTitles(runLog).at(1);
    fs::remove(Work("2.html"));
    WriteFile(Work("3.html"),
              "<h2>Three, Written Again</h2>\n<div class=\"page\">\n<p>WRITTEN-AFTER-THE-MERGE"
              "</p>\n</div>\n");
    const RunResult run = download.get();

    EXPECT_EQ(run.exitCode, 3) << run.Describe() << "\n" << run.stdOut;
    EXPECT_THAT(run.stdOut, HasSubstr("\n1 chapter could not be downloaded: 2."));
    EXPECT_TRUE(DebugLogSays("book made ahead dropped: a file it was made from changed"));
    EXPECT_FALSE(DebugLogSays("the book made ahead is saved"));
    const std::string text = PdfText(Book());
    EXPECT_THAT(text, HasSubstr("WRITTEN-AFTER-THE-MERGE"));
    EXPECT_THAT(text, Not(HasSubstr(lost)));
}

// A render cache entry's PDF when the entry is whole: its recorded digest matches.
std::optional<std::string> WholeEntry(const std::string& path) {
    const std::string entry = ReadFile(path);
    const size_t digestAt = entry.find("\nsha256 ");
    const size_t pdfAt = entry.find("\n\n");
    if (entry.rfind("Quillby render cache entry\nkey ", 0) != 0 || digestAt == kNone ||
        pdfAt == kNone || pdfAt < digestAt) {
        return std::nullopt;
    }
    const std::string digest = entry.substr(digestAt + 8, pdfAt - digestAt - 8);
    std::string pdf = entry.substr(pdfAt + 2);
    return Sha256Hex(pdf) == digest ? std::optional<std::string>(std::move(pdf)) : std::nullopt;
}

TEST_F(Pipeline, AKillWhileRenderingAheadLeavesNoWorkerAndNoHalfEntry) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "20000";
    platform::ChildOptions options;
    options.extraEnv = desk_.env();
    platform::ChildProcess quillby;
    ASSERT_TRUE(quillby.Start(QuillbyPath(), {"--download", sim_.url("/story/1302-heavy-chapters")},
                              options));
    // The first chapter takes its worker seconds; the kill comes in the middle of it.
    ASSERT_TRUE(WaitUntil([this] { return DebugLogSays("/.render-1.html"); }, 80s));
    std::this_thread::sleep_for(500ms);
    std::vector<pid_t> workers;
    for (const pid_t child : ChildrenOf(quillby.Pid())) {
        std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == "quillrender") {
            workers.push_back(child);
        }
    }
    ASSERT_FALSE(workers.empty());
    ASSERT_THAT(desk_.DebugLog(), Not(HasSubstr("book made ahead")));

    ::kill(quillby.Pid(), SIGKILL);
    ASSERT_EQ(quillby.Wait(5000), platform::ChildProcess::WaitResult::Exited);
    for (const pid_t worker : workers) {
        EXPECT_TRUE(WaitUntil([worker] { return !Running(worker); }, 5s)) << worker;
    }
    // Whatever the cache holds is whole, and none of it is the chapter cut short.
    const std::string cache = desk_.home() + "/.cache/quillby/render";
    for (const std::string& name :
         fs::exists(cache) ? ListDir(cache) : std::vector<std::string>{}) {
        if (fs::path(name).extension() != ".page") {
            continue;
        }
        const std::optional<std::string> pdf = WholeEntry(cache + "/" + name);
        ASSERT_TRUE(pdf) << name << " is not whole";
        const TempDir scratch("entry");
        WriteFile(scratch.file("page.pdf"), *pdf);
        EXPECT_THAT(PdfText(scratch.file("page.pdf")), Not(HasSubstr("of “Chapter 1”"))) << name;
    }
}

}  // namespace
}  // namespace quill::test
