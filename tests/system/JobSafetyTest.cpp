// The job under real faults: a second job at the same time, a killed window, no home, and
// a terminal watching the progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "QuillbyRun.h"
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
    platform::ChildOptions options;
    options.extraEnv = desk_.env();
    platform::ChildProcess running;
    ASSERT_TRUE(
        running.Start(QuillbyPath(), {"--download", sim_.url("/story/1013-zoes-cafe")}, options));
    ASSERT_TRUE(WaitUntil([&] { return RunLogSays("chapter_1 "); }, 20s));

    const RunResult second = desk_.Download(sim_.url("/story/1001-the-keepers-daughter"));
    EXPECT_EQ(second.exitCode, 4) << second.Describe();
    EXPECT_EQ(Lines(second.stdOut),
              std::vector<std::string>{"Another download is running. Wait for it to finish."});

    ASSERT_EQ(running.Wait(60000), platform::ChildProcess::WaitResult::Exited);
    EXPECT_EQ(running.ExitCode(), 0);
    EXPECT_EQ(ListDir(desk_.DataDir()),
              (std::vector<std::string>{".quillby.lock", "Zoë’s Café — «Nuit».pdf", "tmp"}));
    EXPECT_THAT(ReadFile(desk_.WorkDir() + "/run.log"), HasSubstr("title:Zoë’s Café"));
}

// The downloader dies with the program that started it, even when that is killed.
TEST_F(JobSafety, AKilledWindowLeavesNoDownloaderBehind) {
    desk_.env()["QUILLBY_CHAPTER_PAUSE_MS"] = "20000";
    platform::ChildOptions options;
    options.extraEnv = desk_.env();
    platform::ChildProcess quillby;
    ASSERT_TRUE(quillby.Start(
        QuillbyPath(), {"--demo-url", sim_.url("/story/1001-the-keepers-daughter"), "--autostart"},
        options));
    ASSERT_TRUE(WaitUntil([&] { return RunLogSays("chapter_1 "); }, 20s));
    const std::vector<pid_t> downloaders = ChildrenOf(quillby.Pid());
    ASSERT_EQ(downloaders.size(), 1u);
    ASSERT_TRUE(Running(downloaders[0]));

    ::kill(quillby.Pid(), SIGKILL);
    ASSERT_EQ(quillby.Wait(5000), platform::ChildProcess::WaitResult::Exited);
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
    // The book build's events move it on.
    EXPECT_THAT(run.stdOut, HasSubstr("  building the book"));

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

// A story whose next download goes worse: the catalog changes between the downloads.
constexpr const char* kWorseStory = R"({"stories": [
  {"id": 1190, "slug": "worse", "title": "Worse Next Time", "author": "Test Author",
   "cover": "%COVER%",
   "parts": [{"id": 119001, "title": "One", "pages": 1},
             {"id": 119002, "title": "Two", "pages": 1, "first_view_status": %STATUS%},
             {"id": 119003, "title": "Three", "pages": 1}]}]})";

std::string WorseStory(const std::string& cover, int chapterTwoStatus) {
    std::string json = kWorseStory;
    json.replace(json.find("%COVER%"), 7, cover);
    json.replace(json.find("%STATUS%"), 8, std::to_string(chapterTwoStatus));
    return json;
}

// The names in a folder that start with "._": what our writers leave while at work.
std::vector<std::string> HiddenParts(const std::string& folder) {
    std::vector<std::string> parts;
    for (const std::string& name : ListDir(folder)) {
        if (name.rfind("._", 0) == 0) {
            parts.push_back(name);
        }
    }
    return parts;
}

// A build that lacks what the story's book holds never replaces it: one where every page
// fails to render (as when the engine crashes on each) makes no book at all, and one that
// lacks a chapter leaves the book as it was.
TEST(JobSafetyOfTheBook, AWorseBuildLeavesTheGoodBookAsItWas) {
    TempDir catalog("worse story");
    const std::string catalogFile = catalog.file("catalog.json");
    WriteFile(catalogFile, WorseStory("jpeg", 200));
    StorySim::Options options;
    options.catalogFile = catalogFile;
    StorySim sim(options);
    QuillbyDesk desk(sim.base_url());
    const std::string story = sim.url("/story/1190-worse");
    const RunResult first = desk.Download(story);
    ASSERT_TRUE(first.succeeded()) << first.Describe() << "\n" << first.stdOut;
    const std::string book = desk.DataDir() + "/Worse Next Time.pdf";
    const std::string good = ReadFile(book);

    // Chapter 2 cannot be fetched again (nothing is kept of it), and the new cover's page
    // has no time to render.
    WriteFile(catalogFile, WorseStory("png", 500));
    fs::remove_all(desk.home() + "/.local/share/Quillby Downloader/stories");
    desk.env()["QUILLBY_RENDER_TIMEOUT_MS"] = "1";
    const RunResult lacking = desk.Download(story);
    EXPECT_EQ(lacking.exitCode, 3) << lacking.Describe();
    EXPECT_EQ(Lines(lacking.stdOut).back(), "done");
    EXPECT_THAT(lacking.stdOut, HasSubstr("\nThe cover page could not be put into the book.\n"));
    EXPECT_THAT(lacking.stdOut, HasSubstr("\nThe book was kept: \"" + book +
                                          "\" holds chapter 2, which this build lacks; the new "
                                          "book was not saved.\n"));
    EXPECT_TRUE(ReadFile(book) == good) << "the book changed";

    // Nothing rendered already: every page runs out of time.
    fs::remove_all(desk.home() + "/.cache/quillby/render");
    const RunResult unrendered = desk.Download(story);
    EXPECT_EQ(unrendered.exitCode, 1) << unrendered.Describe();
    EXPECT_EQ(Lines(unrendered.stdOut).back(),
              "No chapter could be put into the book, so it was not saved: every page failed to "
              "render.");
    EXPECT_TRUE(ReadFile(book) == good) << "the book changed";
    EXPECT_EQ(ListDir(desk.DataDir()),
              (std::vector<std::string>{".quillby.lock", "Worse Next Time.pdf", "tmp"}));
}

// A file system of its own at a path, as long as this object lives, of a given size.
class SmallTmpfs {
  public:
    SmallTmpfs(const std::string& path, uint64_t bytes) : path_(path) {
        fs::create_directories(path);
        const std::string size = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, size.c_str()) == 0;
        error_ = mounted_ ? "" : std::strerror(errno);
    }
    ~SmallTmpfs() {
        if (mounted_) {
            ::umount2(path_.c_str(), MNT_DETACH);
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    uint64_t Free() const {
        struct statvfs info {};
        return ::statvfs(path_.c_str(), &info) == 0 ? uint64_t{info.f_bavail} * info.f_frsize : 0;
    }

  private:
    std::string path_;
    bool mounted_ = false;
    std::string error_;
};

// A full Documents folder, whichever write meets it: the job ends with the file and the
// cause named, the book as it was and no part file anywhere.
TEST_F(JobSafety, AFullDiskLeavesTheBookAsItWasAndNoPartFile) {
    SmallTmpfs documents(desk_.home() + "/Documents", 8 << 20);
    if (!documents.mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << documents.error();
    }
    const std::string story = sim_.url("/story/1020-long-story");
    // Twice: the work folder then holds what a job with every page rendered already leaves,
    // which the room below is measured against.
    for (int run = 0; run < 2; ++run) {
        const RunResult made = desk_.Download(story);
        ASSERT_TRUE(made.succeeded()) << made.Describe();
    }
    const std::string book = desk_.DataDir() + "/A Long Story.pdf";
    const std::string good = ReadFile(book);
    ASSERT_GT(good.size(), 600'000u) << "larger than the blocks the book is written in";

    // Room for the merged pages but only half the book, then not even for the merged pages.
    const std::string fill = desk_.home() + "/Documents/fill";
    for (const auto& [room, failing] :
         {std::make_pair(good.size() * 3 / 2, book),
          std::make_pair(good.size() / 2, desk_.WorkDir() + "/book.pdf")}) {
        fs::remove(fill);
        WriteFile(fill, std::string(documents.Free() - room, 'x'));
        const RunResult run = desk_.Download(story);
        EXPECT_EQ(run.termSignal, 0) << run.Describe();
        EXPECT_EQ(run.exitCode, 1) << run.Describe();
        EXPECT_THAT(Lines(run.stdOut).back(),
                    ::testing::StartsWith("Cannot write file \"" + failing +
                                          "\". No space left on device"));
        EXPECT_TRUE(ReadFile(book) == good) << "the book changed";
        EXPECT_EQ(ListDir(desk_.DataDir()),
                  (std::vector<std::string>{".quillby.lock", "A Long Story.pdf", "tmp"}));
        EXPECT_TRUE(HiddenParts(desk_.WorkDir()).empty());
    }
}

}  // namespace
}  // namespace quill::test
