// A job from the core's side, with stand-in launchers that leave what a downloader may
// leave; the whole-system tests run the real one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>

#include "common/Base64.h"
#include "common/Ticket.h"
#include "core/Completion.h"
#include "core/Job.h"
#include "core/StoryAddress.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;

class Recorder : public IJobObserver {
  public:
    void LogAppended(const std::string& line) override { Add(line); }
    void LogReplaced(const std::string& line) override { Add(line); }
    void LogCleared() override {}
    void ProgressChanged(const ProgressState&) override {}
    void Finished(const JobResult& result) override {
        std::lock_guard<std::mutex> guard(lock_);
        result_ = result;
    }
    std::vector<std::string> lines() {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }
    JobResult result() {
        std::lock_guard<std::mutex> guard(lock_);
        return result_;
    }

  private:
    void Add(const std::string& line) {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(line);
    }
    std::mutex lock_;
    std::vector<std::string> lines_;
    JobResult result_;
};

class CoreJob : public ::testing::Test {
  protected:
    CoreJob() {
        setup_.folders.datadir = root_.file("data/");
        setup_.folders.tmpdir = root_.file("data/tmp");
        setup_.folders.logfile = setup_.folders.tmpdir + "/run.log";
        setup_.folders.lockfile = setup_.folders.datadir + ".lock";
        setup_.folders.store = root_.file("store");
        fs::create_directories(setup_.folders.tmpdir);
        setup_.launcher = root_.file("quillmain");
        setup_.renderer = root_.file("quillrender");
    }

    // A launcher that runs the shell lines; $W is the work folder.
    JobResult Run(const std::string& script, bool refresh = false) {
        WriteFile(setup_.launcher,
                  "#!/bin/sh\nW='" + setup_.folders.tmpdir + "'\n" + script + "\n");
        fs::permissions(setup_.launcher, fs::perms::owner_all);
        Job job(setup_, recorder_);
        JobRequest request;
        request.url = "https://www.quillby.com/story/1-x";
        request.refresh = refresh;
        request.openBook = false;
        EXPECT_FALSE(job.Start(request));
        job.Wait();
        return recorder_.result();
    }

    TempDir root_{"core job"};
    JobSetup setup_;
    Recorder recorder_;
};

TEST_F(CoreJob, TheTicketNamesTheStoryTheFoldersAndTheRefresh) {
    Run("printf '%s' \"$1\" > \"$W/../ticket\"", true);
    const JobTicket ticket = DecodeTicket(ReadFile(root_.file("data/ticket")));
    EXPECT_EQ(ticket.url, "https://www.quillby.com/story/1-x");
    EXPECT_EQ(ticket.dir, setup_.folders.tmpdir);
    EXPECT_EQ(ticket.store, setup_.folders.store);
    EXPECT_TRUE(ticket.refresh);
}

TEST_F(CoreJob, ADownloadThatDidNotFinishMakesNoBook) {
    const std::string log =
        "printf 'title:T\\r\\nchapter:1\\r\\nchapter_1 / 1: One\\r\\n' > \"$W/run.log\"\n"
        "echo '<h2>One</h2>' > \"$W/1.html\"\n";
    struct Case {
        std::string tail;
        std::string reason;
    };
    for (const Case& c : {Case{"exit 2", "The downloader stopped with exit status 2."},
                          Case{"kill -9 $$", "The downloader was ended by signal 9."},
                          Case{"exit 0", "The downloader ended before it was done."}}) {
        const JobResult result = Run(log + c.tail);
        EXPECT_EQ(result.outcome, JobOutcome::Failed) << c.tail;
        EXPECT_EQ(result.ExitCode(), 1);
        const std::vector<std::string> lines = recorder_.lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], c.reason);
        EXPECT_EQ(lines.back(), kUnfinished);
        EXPECT_FALSE(fs::exists(setup_.folders.tmpdir + "/0.html")) << "no book was started";
    }
}

TEST_F(CoreJob, WithoutARunLogTheJobSaysSo) {
    fs::remove(setup_.launcher);
    Job job(setup_, recorder_);
    JobRequest request;
    request.url = "https://www.quillby.com/story/1";
    ASSERT_FALSE(job.Start(request));
    job.Wait();
    EXPECT_EQ(recorder_.lines(),
              (std::vector<std::string>{"The downloader " + setup_.launcher +
                                            " could not be started: No such file or directory.",
                                        "Failed find log file"}));
    EXPECT_EQ(recorder_.result().ExitCode(), 1);
}

// A lock file no other job holds but that cannot be used is no reason to wait: it gets a
// message of its own and exit 1 (4 says "another download is running"), and nothing starts.
TEST_F(CoreJob, ALockFileThatCannotBeUsedIsNamedAndNothingStarts) {
    WriteFile(setup_.launcher, "#!/bin/sh\ntouch \"$0.ran\"\n");
    fs::permissions(setup_.launcher, fs::perms::owner_all);
    WriteFile(setup_.folders.tmpdir + "/1.html", "kept");
    const std::string lock = setup_.folders.lockfile;
    struct Case {
        std::function<void()> make;
        std::string reason;
    };
    for (const Case& c : {
             Case{[&] { fs::create_directory(lock); }, "it is a folder"},
             Case{[&] { fs::create_symlink(root_.file("nowhere/lock"), lock); },
                  "it is a symbolic link"},
             Case{[&] { fs::create_symlink(root_.file("elsewhere"), lock); },
                  "it is a symbolic link"},
         }) {
        fs::remove(lock);
        c.make();
        Job job(setup_, recorder_);
        JobRequest request;
        request.url = "https://www.quillby.com/story/1";
        const std::optional<JobResult> refused = job.Start(request);
        ASSERT_TRUE(refused) << c.reason;
        EXPECT_EQ(refused->outcome, JobOutcome::Failed);
        EXPECT_EQ(refused->ExitCode(), 1);
        EXPECT_EQ(refused->message, "Cannot use the lock file \"" + lock + "\": " + c.reason +
                                        ". No download was started; remove the file or mend it, "
                                        "then try again.");
    }
    EXPECT_FALSE(fs::exists(root_.file("elsewhere"))) << "a link is never followed";
    EXPECT_FALSE(fs::exists(setup_.launcher + ".ran"));
    EXPECT_EQ(ReadFile(setup_.folders.tmpdir + "/1.html"), "kept");
}

// Files named as our writers name their temporary files are what killed jobs left; a
// job removes them, and nothing else. In the folders other programs share, a file still
// being written (touched lately) stays too.
TEST_F(CoreJob, AJobRemovesWhatKilledJobsLeftAndNothingElse) {
    setup_.folders.renderCache = root_.file("cache");
    const std::string data = setup_.folders.datadir, story = setup_.folders.store + "/7001";
    const std::string cache = setup_.folders.renderCache;
    fs::create_directories(story);
    fs::create_directories(cache);
    fs::create_directories(data + "._Folder.pdf.Ab12Cd.part");
    fs::create_symlink(data + "Tale.pdf", data + "._Link.pdf.Ab12Cd.part");
    const auto put = [](const std::string& path, bool old) {
        WriteFile(path, "");
        if (old) {
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
    };
    for (const char* name : {"Tale.pdf", "._Tale.pdf.Ab12Cd.part", "._Tale.epub.Ab12Cd.part.Xy34Zw",
                             "._Tale.pdf.part", "._Tale.pdf.Ab12C.part", "._.Ab12Cd.part"}) {
        put(data + name, false);
    }
    put(story + "/._0a1b.chapter.Qw12Er.part", true);
    put(story + "/._0a1b.chapter.Qw12Es.part", false);
    put(cache + "/._0a1b.pdf.4242.7.part", true);
    put(cache + "/._0a1b.pdf.4242.8.part", false);
    put(cache + "/._0a1b.pdf.x.7.part", true);

    Run("exit 0");
    EXPECT_EQ(ListDir(data),
              (std::vector<std::string>{"._.Ab12Cd.part", "._Folder.pdf.Ab12Cd.part",
                                        "._Link.pdf.Ab12Cd.part", "._Tale.pdf.Ab12C.part",
                                        "._Tale.pdf.part", ".lock", "Tale.pdf", "tmp"}));
    EXPECT_EQ(ListDir(story), std::vector<std::string>{"._0a1b.chapter.Qw12Es.part"});
    EXPECT_EQ(ListDir(cache),
              (std::vector<std::string>{"._0a1b.pdf.4242.8.part", "._0a1b.pdf.x.7.part"}));
}

TEST(MissingChapters, NameTheChaptersLeftOut) {
    EXPECT_EQ(MissingChaptersMessage({7, 12}),
              "2 chapters could not be downloaded: 7, 12. Click Download to fetch just those.");
    EXPECT_EQ(MissingChaptersMessage({3}),
              "1 chapter could not be downloaded: 3. Click Download to fetch just that one.");
    std::vector<int> many(30);
    for (int i = 0; i < 30; ++i) {
        many[i] = i + 1;
    }
    EXPECT_NE(MissingChaptersMessage(many).find(", 20 and 10 more."), std::string::npos);
}

TEST(StoryAddress, OneStoryInAnyFormGivesOneAddress) {
    const std::string story = "https://www.quillby.com/story/1001";
    for (const char* pasted : {"https://www.quillby.com/story/1001-the-keepers-daughter",
                               "HTTPS://WWW.Quillby.com/story/1001-renamed-later?utm=x#top",
                               "https://www.quillby.com/story/1001/"}) {
        EXPECT_EQ(StoryAddress(pasted), story) << pasted;
    }
    // A chapter page's address has no story number; the one the downloader learnt counts,
    // and books of earlier versions, which kept the chapter's address, are still this story's.
    const std::string chapter = "https://www.quillby.com/1001007-chapter-one?x=1";
    EXPECT_EQ(StoryAddress(chapter), "https://www.quillby.com/1001007-chapter-one");
    EXPECT_EQ(StoryAddress(chapter, 1001), story);
    EXPECT_EQ(EarlierStoryAddresses(chapter, 1001),
              std::vector<std::string>{"https://www.quillby.com/1001007-chapter-one"});
    EXPECT_EQ(EarlierStoryAddresses("https://www.quillby.com/story/1001-x", 1001),
              std::vector<std::string>{});
    EXPECT_NE(StoryAddress("http://127.0.0.1:8123/story/1001-x"),
              StoryAddress("http://127.0.0.1:8124/story/1001-x"));
}

}  // namespace
}  // namespace quill::test
