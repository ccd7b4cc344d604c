// The launcher's command line and the job ticket.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "JobRunner.h"
#include "common/Base64.h"
#include "downloader/Entry.h"
#include "support/TempDir.h"
#include "web/Errors.h"

namespace quill::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class Launcher : public ::testing::Test {
  protected:
    StorySim sim_;
    TempDir work_{"Zoë’s books #1"};
};

TEST_F(Launcher, ProgramNameAloneIsAUsageError) {
    const RunResult result = RunQuillmain(sim_, {});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.stdOut, "1\nerror: para error\n");
}

TEST_F(Launcher, PlainAddressAsTicketFailsBeforeWritingAnything) {
    const RunResult result = RunQuillmain(sim_, {sim_.story_url(1014)});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.stdOut, "2\n");
    EXPECT_THAT(result.stdErr, HasSubstr("quillmain: the download stopped: "));
    EXPECT_EQ(std::count(result.stdErr.begin(), result.stdErr.end(), '\n'), 1);
}

TEST_F(Launcher, PlainFormTakesAddressAndFolderAndIgnoresTheRest) {
    const RunResult result =
        RunQuillmain(sim_, {sim_.story_url(1014), work_.path(), "ignored", "also ignored"});
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_EQ(result.stdOut.substr(0, 2), "5\n");
    EXPECT_THAT(KeyedLines(RunLogLines(work_.path())),
                ElementsAre("title:Empty Contents", "author:Test Author", "cover page:cover.jpg",
                            "chapter:0", "done"));
}

TEST_F(Launcher, TicketFolderWithBlanksAndNonAsciiReachesTheSession) {
    const RunResult result = RunJob(sim_, sim_.story_url(1014), work_.path());
    ASSERT_TRUE(result.succeeded()) << result.Describe();
    EXPECT_THAT(ListDir(work_.path()), ElementsAre("cover.jpg", "run.log"));
}

TEST_F(Launcher, MissingWorkFolderEndsWithADiagnosticNotACrash) {
    const RunResult result = RunJob(sim_, sim_.story_url(1014), work_.file("missing"));
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_THAT(result.stdErr, HasSubstr("run log"));
}

}  // namespace
}  // namespace quill::test
