// The launcher's command line and the job ticket.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/Base64.h"
#include "downloader/Entry.h"
#include "downloader/Errors.h"
#include "tests/downloader/JobRunner.h"
#include "tests/support/TempDir.h"

namespace quill::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(Ticket, DecodesBrokenLinesExtraMembersAndNonAsciiFolders) {
    const std::string folder = "/home/zoë/My Books/tmp";
    std::string ticket = Base64Encode(
        nlohmann::json{{"dir", folder}, {"extra", 1}, {"url", "https://x/story/1"}}.dump());
    for (size_t at = 8; at < ticket.size(); at += 9) {
        ticket.insert(at, at % 2 ? "\r\n" : " ");
    }
    const JobTicket decoded = DecodeTicket(ticket);
    EXPECT_EQ(decoded.url, "https://x/story/1");
    EXPECT_EQ(decoded.dir, folder);
}

TEST(Ticket, RejectsWhatIsNotATicket) {
    const auto encode = [](const std::string& json) { return Base64Encode(json); };
    EXPECT_THROW(DecodeTicket("eyJ1cmwiOiJ4In0"), TicketError) << "padding missing";
    EXPECT_THROW(DecodeTicket("https://www.quillby.com/story/1"), std::exception);
    EXPECT_THROW(DecodeTicket(encode("[1,2]")), TicketError);
    EXPECT_THROW(DecodeTicket(encode("\"text\"")), TicketError);
    EXPECT_THROW(DecodeTicket(encode("42")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"URL":"u","dir":"d"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":5,"dir":"d"})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode(R"({"url":"u","dir":null})")), TicketError);
    EXPECT_THROW(DecodeTicket(encode("{not json")), nlohmann::json::parse_error);
}

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
