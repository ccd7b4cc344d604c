// A download that cannot begin says why, in the words the window shows too, and advises
// another click only where one can help. Each cause against the simulator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "QuillbyRun.h"
#include "support/Process.h"
#include "support/StorySim.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"
#include "support/Tls.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using namespace std::chrono_literals;

constexpr char kClickAgain[] = "Downloading not finish, click Download button it again";

// The last lines of a run that made no book: exit 1, nothing in the data folder.
std::vector<std::string> FailedRun(const RunResult& run, const QuillbyDesk& desk) {
    EXPECT_EQ(run.exitCode, 1) << run.Describe() << run.stdOut;
    for (const std::string& name : ListDir(desk.DataDir())) {
        EXPECT_TRUE(name == "tmp" || name == ".quillby.lock") << name;
    }
    return Lines(run.stdOut);
}

class FatalFailure : public ::testing::Test {
  protected:
    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(FatalFailure, AStoryThatDoesNotExist) {
    const std::string story = sim_.url("/story/9999-gone");
    const std::vector<std::string> out = FailedRun(desk_.Download(story), desk_);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "The story does not exist on the site (HTTP status 404 for " + story +
                              "). Check the address: the story may have been removed.");
    EXPECT_THAT(out, Not(::testing::Contains(kClickAgain)));
}

TEST_F(FatalFailure, APageWithoutTheStorysData) {
    const std::string story = sim_.url("/story/1002");
    const std::vector<std::string> out = FailedRun(desk_.Download(story), desk_);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "The page holds no story data (no story metadata (ld+json) on " + story +
                              "). The address may not lead to a story, or the site has changed "
                              "and Quillby Downloader needs an update.");
    EXPECT_THAT(out, Not(::testing::Contains(kClickAgain)));
}

// A refused connection and a site that never answers: out of reach, and worth a new try.
TEST_F(FatalFailure, ASiteOutOfReach) {
    QuillbyDesk closed("http://127.0.0.1:1");
    std::vector<std::string> out =
        FailedRun(closed.Download("http://127.0.0.1:1/story/1001"), closed);
    ASSERT_GE(out.size(), 2u);
    EXPECT_THAT(out[out.size() - 2],
                StartsWith("The story site can't be reached: it refused the connection (cannot "
                           "fetch http://127.0.0.1:1/story/1001: "));
    EXPECT_THAT(out[out.size() - 2], EndsWith("). Check the internet connection, or try again "
                                              "later."));
    EXPECT_EQ(out.back(), kClickAgain);

    desk_.env()["QUILLBY_HTTP_TIMEOUT_S"] = "1";
    const std::string story = sim_.url("/story/1201-never-answers");
    out = FailedRun(desk_.Download(story), desk_);
    ASSERT_GE(out.size(), 2u);
    EXPECT_THAT(out[out.size() - 2],
                StartsWith("The story site can't be reached: it did not answer in time (cannot "
                           "fetch " +
                           story + ": "));
    EXPECT_EQ(out.back(), kClickAgain);
}

TEST_F(FatalFailure, ACertificateThatCannotBeVerified) {
    TempDir dir("tls");
    const TlsFiles tls = MakeSelfSignedCertificate(dir.path());
    StorySim::Options options;
    options.tlsCert = tls.cert;
    options.tlsKey = tls.key;
    StorySim secure(options);
    QuillbyDesk desk(secure.base_url());
    const std::string story = secure.url("/story/1001");
    const std::vector<std::string> out = FailedRun(desk.Download(story), desk);
    ASSERT_FALSE(out.empty());
    EXPECT_THAT(out.back(), StartsWith("The story site's certificate could not be verified, so "
                                       "nothing was read from it (cannot fetch " +
                                       story + ": "));
    EXPECT_THAT(out.back(), HasSubstr("certificate"));
    EXPECT_THAT(out.back(), EndsWith("). The connection may be intercepted, or the system's "
                                     "certificates are out of date."));
    EXPECT_THAT(out, Not(::testing::Contains(kClickAgain)));
}

// Checked before any process starts: the address that once gave "Failed find log file"
// (too long for the downloader's command line) and one that names no story.
TEST_F(FatalFailure, AnAddressThatCannotBeAStorysIsRefusedAtOnce) {
    const std::string huge = sim_.url("/story/1001?") + std::string(100000, 'a');
    const RunResult tooLong = desk_.Download(huge);
    EXPECT_EQ(tooLong.exitCode, 2) << tooLong.Describe();
    EXPECT_THAT(Lines(tooLong.stdOut),
                ::testing::ElementsAre(StartsWith("The address is too long to pass on: ")));

    const RunResult elsewhere = desk_.Download("ftp://127.0.0.1/story/1001");
    EXPECT_EQ(elsewhere.exitCode, 2) << elsewhere.Describe();
    EXPECT_THAT(Lines(elsewhere.stdOut),
                ::testing::ElementsAre(StartsWith("“ftp://127.0.0.1/story/1001” is not a web "
                                                  "address")));
    EXPECT_TRUE(sim_.requests().empty());
    EXPECT_FALSE(fs::exists(desk_.WorkDir() + "/run.log")) << "no downloader ran";
}

}  // namespace
}  // namespace quill::test
