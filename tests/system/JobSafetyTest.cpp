// The job under real faults: a second job at the same time, a killed window, no home, and
// a terminal watching the progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "QuillbyRun.h"
#include "support/Process.h"
#include "support/Spawn.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const std::string& name : ListDir("/proc")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) {
            children.push_back(std::stoi(name));
        }
    }
    return children;
}

// Alive and not a zombie.
bool Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const size_t close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] != 'Z';
}

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return ready();
}

class JobSafety : public ::testing::Test {
  protected:
    bool RunLogSays(const std::string& text) {
        try {
            return ReadFile(desk_.WorkDir() + "/run.log").find(text) != std::string::npos;
        } catch (const std::exception&) {
            return false;
        }
    }

    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(JobSafety, ASecondJobIsRefusedAndTheFirstBookIsRight) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "1500";
    SpawnRequest first;
    first.argv = {QuillbyPath(), "--download", sim_.url("/story/1013-zoes-cafe")};
    first.extraEnv = desk_.env();
    ChildProcess running(first);
    ASSERT_TRUE(WaitUntil([&] { return RunLogSays("chapter_1 "); }, 20s));

    const RunResult second = desk_.Download(sim_.url("/story/1001-the-keepers-daughter"));
    EXPECT_EQ(second.exitCode, 4) << second.Describe();
    EXPECT_EQ(Lines(second.stdOut),
              std::vector<std::string>{"Another download is running. Wait for it to finish."});

    ASSERT_TRUE(running.WaitFor(60s));
    EXPECT_TRUE(WIFEXITED(running.waitStatus()) && WEXITSTATUS(running.waitStatus()) == 0);
    EXPECT_EQ(ListDir(desk_.DataDir()),
              (std::vector<std::string>{".quillby.lock", "Zoë’s Café — «Nuit».pdf", "tmp"}));
    EXPECT_THAT(ReadFile(desk_.WorkDir() + "/run.log"), HasSubstr("title:Zoë’s Café"));
}

// The downloader dies with the program that started it, even when that is killed.
TEST_F(JobSafety, AKilledWindowLeavesNoDownloaderBehind) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "20000";
    SpawnRequest window;
    window.argv = {QuillbyPath(), "--demo-url", sim_.url("/story/1001-the-keepers-daughter"),
                   "--autostart"};
    window.extraEnv = desk_.env();
    ChildProcess quillby(window);
    ASSERT_TRUE(WaitUntil([&] { return RunLogSays("chapter_1 "); }, 20s));
    const std::vector<pid_t> downloaders = ChildrenOf(quillby.pid());
    ASSERT_EQ(downloaders.size(), 1u);
    ASSERT_TRUE(Running(downloaders[0]));

    ::kill(quillby.pid(), SIGKILL);
    ASSERT_TRUE(quillby.WaitFor(5s));
    std::this_thread::sleep_for(5s);
    EXPECT_FALSE(Running(downloaders[0]));
}

TEST_F(JobSafety, WithoutAHomeNothingIsWrittenAnywhere) {
    TempDir cwd("cwd");
    const bool rootDocuments = fs::exists("/Documents");
    const RunResult run =
        test::Run({"/bin/sh", "-c", "cd \"$1\" && exec env -u HOME \"$2\" --download \"$3\"", "sh",
                   cwd.path(), QuillbyPath(), sim_.url("/story/1001-the-keepers-daughter")},
                  desk_.env(), 60s);
    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    EXPECT_EQ(Lines(run.stdOut),
              std::vector<std::string>{"No Documents folder to save books in: HOME is not set."});
    EXPECT_TRUE(ListDir(cwd.path()).empty());
    EXPECT_EQ(fs::exists("/Documents"), rootDocuments);
    EXPECT_TRUE(sim_.requests().empty());
}

// On a terminal the progress is one line that rewrites itself under the log lines.
TEST_F(JobSafety, ATerminalShowsTheProgressLine) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "1200";
    const RunResult run =
        test::Run({"script", "-qefc",
                   QuillbyPath() + " --download " + sim_.url("/story/1013-zoes-cafe"), "/dev/null"},
                  desk_.env(), 60s);
    EXPECT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_THAT(run.stdOut, HasSubstr("\r\x1b[K[#"));
    EXPECT_THAT(run.stdOut, HasSubstr("Next chapter in "));
    EXPECT_THAT(run.stdOut, HasSubstr("\r\x1b[Ktitle:Zoë’s Café"));

    const RunResult piped = desk_.Download(sim_.url("/story/1013-zoes-cafe"));
    EXPECT_EQ(piped.stdOut.find('\x1b'), std::string::npos) << "plain lines into a pipe";
}

// The window keeps what a job fetched: after a failure the next Download fetches just the
// missing chapter and makes the whole book.
TEST_F(JobSafety, AFailedChapterIsFetchedAloneTheNextTime) {
    const std::string story = sim_.url("/story/1055-fails-once");
    const RunResult first = desk_.Download(story);
    EXPECT_EQ(first.exitCode, 3) << first.Describe();
    EXPECT_THAT(first.stdOut, HasSubstr("1 chapter could not be downloaded: 2. Click Download to "
                                        "fetch just that one."));

    sim_.reset_log();
    const RunResult second = desk_.Download(story);
    EXPECT_EQ(second.exitCode, 0) << second.Describe();
    EXPECT_THAT(second.stdOut, HasSubstr("chapter_1 / 3: Chapter 1 (saved copy)"));
    EXPECT_THAT(second.stdOut, HasSubstr("chapter_3 / 3: Chapter 3 (saved copy)"));
    // The story page, then chapter 2's first view and its two pages: nothing else.
    const std::vector<std::string> requests = sim_.requests();
    ASSERT_EQ(requests.size(), 1u + 1 + 2) << ::testing::PrintToString(requests);
    EXPECT_EQ(requests[0], "/story/1055-fails-once");
    const std::string book = Lines(second.stdOut).back();
    const RunResult info = test::Run({"pdfinfo", book}, {}, 30s);
    EXPECT_THAT(info.stdOut, HasSubstr("Title:           Fails Once"));
}

}  // namespace
}  // namespace quill::test
