#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"
#include "support/Tls.h"

namespace {

// Inside a TEST body the unqualified name Run is testing::Test::Run, hence the qualification.
using namespace quill::test;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

std::string FirstLdJson(const std::string& page) {
    const std::string open = "<script type=\"application/ld+json\">";
    size_t start = page.find(open);
    size_t end = page.find("</script>", start);
    if (start == std::string::npos || end == std::string::npos) {
        return "";
    }
    return page.substr(start + open.size(), end - start - open.size());
}

// A killed process may linger as a zombie until its new parent reaps it; both count as gone.
bool ProcessGone(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        std::string stat;
        try {
            stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
        } catch (const std::runtime_error&) {
            return true;
        }
        if (stat.find(") Z") != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(StorySimTest, ServesTheSampleStoryAndLogsEveryRequestInOrder) {
    StorySim sim;
    EXPECT_EQ(sim.base_url(), "http://127.0.0.1:" + std::to_string(sim.port()));

    HttpResponse story = sim.get("/story/1001-the-keepers-daughter");
    ASSERT_EQ(story.status, 200);
    EXPECT_NE(story.body.find("<div class=\"story-parts\">"), std::string::npos);
    HttpResponse page = sim.get("/100101-the-last-ferry/page/2?x=1");
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<pre><p data-p-id=\""), std::string::npos);
    EXPECT_EQ(sim.get("/no/such/page").status, 404);

    EXPECT_EQ(sim.requests(), (Strings{"/story/1001-the-keepers-daughter",
                                       "/100101-the-last-ferry/page/2?x=1", "/no/such/page"}));
    sim.reset_log();
    EXPECT_TRUE(sim.requests().empty());
}

TEST(StorySimTest, MetadataPointsAtTheCoverOnTheSimulatorItself) {
    StorySim sim;
    auto meta = nlohmann::json::parse(FirstLdJson(sim.get("/story/1001").body));
    EXPECT_EQ(meta["@type"], "Book");
    ASSERT_EQ(meta["image"], sim.url("/covers/1001.jpg"));

    HttpResponse cover = sim.get("/covers/1001.jpg");
    EXPECT_EQ(cover.status, 200);
    EXPECT_EQ(cover.header("content-type"), "image/jpeg");
    EXPECT_EQ(cover.body.substr(0, 3), "\xFF\xD8\xFF");
}

TEST(StorySimTest, InlineCatalogAddsStoriesBesideTheBuiltInOnes) {
    StorySim::Options options;
    options.catalogJson = R"({"stories": [{"id": 9901, "title": "Inline Story",
        "parts": [{"id": 990101, "slug": "only", "title": "Only", "pages": 1,
                   "href": "/slow/10{path}"}]}]})";
    StorySim sim(options);
    HttpResponse story = sim.get("/story/9901");
    ASSERT_EQ(story.status, 200);
    EXPECT_NE(story.body.find("Inline Story"), std::string::npos);
    EXPECT_NE(story.body.find("href=\"/slow/10/990101-only\""), std::string::npos);
    EXPECT_EQ(sim.get("/slow/10/990101-only/page/1").status, 200);
    EXPECT_EQ(sim.get("/story/1001").status, 200);
}

TEST(StorySimTest, BrokenCatalogFailsTheStart) {
    StorySim::Options options;
    options.catalogJson = "{\"stories\": [";
    EXPECT_THROW(StorySim{options}, std::runtime_error);
}

TEST(StorySimTest, HangingRequestBlocksNeitherOtherRequestsNorShutdown) {
    auto sim = std::make_unique<StorySim>();
    const int port = sim->port();
    EXPECT_THROW(HttpGet("127.0.0.1", port, "/hang", 300ms), std::runtime_error);
    EXPECT_EQ(sim->get("/story/1001").status, 200);

    std::thread stuck([port] {
        try {
            HttpGet("127.0.0.1", port, "/hang", 60s);
        } catch (const std::runtime_error&) {
        }
    });
    while (sim->requests().size() < 3) {
        std::this_thread::sleep_for(5ms);
    }
    sim.reset();
    stuck.join();
    EXPECT_THROW(HttpGet("127.0.0.1", port, "/story/1001", 2s), std::runtime_error);
}

TEST(StorySimTest, ServesHttpsWithASelfSignedCertificate) {
    TempDir dir;
    TlsFiles tls = MakeSelfSignedCertificate(dir.path());
    StorySim::Options options;
    options.tlsCert = tls.cert;
    options.tlsKey = tls.key;
    StorySim sim(options);
    ASSERT_EQ(sim.base_url().rfind("https://", 0), 0u);

    const std::string fetch =
        "import ssl, sys, urllib.request\n"
        "ctx = ssl._create_unverified_context() if sys.argv[2] == 'any' else None\n"
        "print(urllib.request.urlopen(sys.argv[1], context=ctx, timeout=10).status)\n";
    RunResult trusting =
        quill::test::Run({PythonProgram(), "-c", fetch, sim.story_url(1001), "any"}, {}, 30s);
    EXPECT_EQ(trusting.stdOut, "200\n") << trusting.Describe();
    RunResult checking =
        quill::test::Run({PythonProgram(), "-c", fetch, sim.story_url(1001), "verify"}, {}, 30s);
    EXPECT_NE(checking.exitCode, 0);
    EXPECT_NE(checking.stdErr.find("CERTIFICATE_VERIFY_FAILED"), std::string::npos);
}

TEST(StorySimProcessTest, StopsByItselfWhenItsStdinReachesEndOfFile) {
    RunResult result = quill::test::Run({PythonProgram(), StorySimScript()}, {}, 30s, "");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.Describe();
    EXPECT_EQ(result.stdOut.rfind("PORT ", 0), 0u);
}

TEST(RunTest, ReportsExitCodeAndKeepsStdoutAndStderrApart) {
    RunResult result = quill::test::Run({"sh", "-c", "echo out; echo err >&2; exit 3"}, {}, 10s);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.stdOut, "out\n");
    EXPECT_EQ(result.stdErr, "err\n");
    EXPECT_FALSE(result.succeeded());
}

TEST(RunTest, PassesStdinAndExtraEnvironment) {
    RunResult result = quill::test::Run({"sh", "-c", "printf '%s|' \"$QUILLBY_X\"; cat"},
                                        {{"QUILLBY_X", "Zoë’s"}}, 10s, "line 1\nline 2");
    EXPECT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_EQ(result.stdOut, "Zoë’s|line 1\nline 2");
}

TEST(RunTest, LargeInputAndOutputDoNotDeadlock) {
    std::string input;
    for (int i = 0; input.size() < 4 * 1024 * 1024; ++i) {
        input += "line " + std::to_string(i) + "\n";
    }
    RunResult result = quill::test::Run({"cat"}, {}, 60s, input);
    EXPECT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_TRUE(result.stdOut == input);
}

TEST(RunTest, ChildThatIgnoresItsInputDoesNotHurtTheCaller) {
    RunResult result = quill::test::Run({"true"}, {}, 10s, std::string(1024 * 1024, 'x'));
    EXPECT_TRUE(result.succeeded()) << result.Describe();
}

TEST(RunTest, TimeOutStopsTheWholeProcessGroup) {
    TempDir dir;
    RunResult result = quill::test::Run(
        {"sh", "-c", "sleep 60 & echo $! > \"$1\"; wait", "sh", dir.file("pid")}, {}, 500ms);
    EXPECT_TRUE(result.timedOut);
    pid_t grandchild = std::stoi(ReadFile(dir.file("pid")));
    EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(RunTest, ReportsTheSignalThatEndedTheProcess) {
    RunResult result = quill::test::Run({"sh", "-c", "kill -KILL $$"}, {}, 10s);
    EXPECT_EQ(result.termSignal, SIGKILL);
    EXPECT_EQ(result.exitCode, -1);
}

TEST(RunTest, BackgroundGrandchildHoldingStdoutDoesNotStallTheRun) {
    RunResult result = quill::test::Run({"sh", "-c", "sleep 3 & echo started"}, {}, 30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.stdOut, "started\n");
}

TEST(RunTest, UnknownProgramThrows) {
    EXPECT_THROW(quill::test::Run({"no-such-program-quillby"}, {}, 1s), std::runtime_error);
}

TEST(TempDirTest, SuffixNamesTheFolderAndEverythingInItIsRemoved) {
    std::string path;
    {
        TempDir dir("Zoë’s books — 1");
        path = dir.path();
        EXPECT_EQ(std::filesystem::path(path).filename(), "Zoë’s books — 1");
        std::filesystem::create_directories(dir.file("locked/inner"));
        WriteFile(dir.file("locked/inner/file.txt"), "x");
        chmod(dir.file("locked/inner").c_str(), 0500);
        chmod(dir.file("locked").c_str(), 0500);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path).parent_path()));
}

TEST(TempDirTest, FilesRoundTripAsBytes) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xff\xfe", 7);
    WriteFile(dir.file("b.bin"), bytes);
    WriteFile(dir.file("a.txt"), "");
    EXPECT_EQ(ReadFile(dir.file("b.bin")), bytes);
    EXPECT_EQ(ListDir(dir.path()), (Strings{"a.txt", "b.bin"}));
    EXPECT_THROW(ReadFile(dir.file("missing")), std::runtime_error);
    EXPECT_THROW(WriteFile(dir.file("no/such/folder"), "x"), std::runtime_error);
}

}  // namespace
