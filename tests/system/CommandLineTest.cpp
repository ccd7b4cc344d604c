// quillby's command line as a user types it: options in any order, "--", and one line naming
// each mistake before the usage, with exit 2 and nothing started.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "QuillbyRun.h"
#include "support/Process.h"
#include "support/StorySim.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

class CommandLine : public ::testing::Test {
  protected:
    RunResult Quillby(const std::vector<std::string>& args) {
        std::vector<std::string> argv{QuillbyPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, desk_.env(), 90s);
    }

    StorySim sim_;
    QuillbyDesk desk_{sim_.base_url()};
};

TEST_F(CommandLine, EachMistakeIsNamedBeforeTheUsageAndNothingStarts) {
    const std::string story = sim_.url("/story/1013-zoes-cafe");
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    for (const Case& c : {
             // Once, "--format" was downloaded as the address.
             Case{{"--download", "--format", "epub"}, "--download needs a story address"},
             Case{{"--download", ""}, "the story address is empty"},
             Case{{"--download", story, " "}, "the story address is empty"},
             Case{{"--update-all", story}, "unexpected argument \"" + story + "\""},
             Case{{"--download", story, "--list"},
                  "--download, --update-all and --list go one at a time"},
             Case{{"--update-all", "--format", "epub"},
                  "--format and --refresh go with --download"},
             Case{{"--list", "--autostart"},
                  "--demo-url and --autostart are for the window, not for --list"},
             Case{{"--json"}, "--json goes with --list"},
             Case{{"--list", "--no-pictures"},
                  "--no-pictures goes with --download or --update-all"},
             Case{{story}, "unexpected argument \"" + story + "\""},
             Case{{"--download", story, "--colour"}, "unknown option --colour"},
             Case{{"-x", "--download", story}, "unknown option -x"},
             Case{{"--download", story, "--format"}, "--format needs a value"},
             Case{{"--download", story, "--format", "--refresh"}, "--format needs a value"},
             Case{{"--download", story, "--format", "mobi"},
                  "--format needs pdf, epub or both, not \"mobi\""},
             Case{{"--download=" + story, "--download=" + story}, "--download is given twice"},
             Case{{"--download", story, "--demo-url", story},
                  "--demo-url and --autostart are for the window, not for --download"},
             Case{{"--refresh"}, "--format and --refresh go with --download"},
             Case{{"--", "--download", story}, "unexpected argument \"--download\""},
             // An update makes the kind of book the library remembers.
             Case{{"--update-all", "--page", "phone"}, "--page goes with --download"},
             Case{{"--download", story, "--page", "a3"},
                  "--page needs a4, letter, a5, ereader or phone, not \"a3\""},
             Case{{"--download", story, "--text", "huge"},
                  "--text needs small, medium or large, not \"huge\""},
             Case{{"--download", story, "--volume-chapters", "ten"},
                  "--volume-chapters needs a number of chapters from 1 to 1000000 (0 for one "
                  "book), not \"ten\""},
         }) {
        const RunResult run = Quillby(c.args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(c.args) << run.Describe();
        const std::vector<std::string> lines = Lines(run.stdErr);
        ASSERT_GE(lines.size(), 2u) << run.stdErr;
        EXPECT_EQ(lines[0], "quillby: " + c.error);
        EXPECT_EQ(lines[1], "Usage: quillby [--demo-url URL [--autostart]]");
        EXPECT_EQ(run.stdOut, "");
    }
    EXPECT_TRUE(sim_.requests().empty());
    EXPECT_FALSE(fs::exists(desk_.home() + "/Documents"));
}

TEST_F(CommandLine, HelpAndVersionAnswerOnStandardOutput) {
    const RunResult help = Quillby({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.Describe();
    EXPECT_THAT(help.stdOut, StartsWith("Usage: quillby "));
    EXPECT_THAT(help.stdOut, HasSubstr("Exit status: 0 every story is complete; 1 a story failed"));

    const RunResult version = Quillby({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.Describe();
    EXPECT_THAT(Lines(version.stdOut),
                ElementsAre(StartsWith("quillby (Quillby Downloader) 1."),
                            StartsWith("wkhtmltox 0.12."), StartsWith("PDFium @")));
}

// Options in any order, and "--" before the address.
TEST_F(CommandLine, OptionsMayComeInAnyOrder) {
    const RunResult run =
        Quillby({"--download", "--format", "epub", "--", sim_.url("/story/1013-zoes-cafe")});
    ASSERT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(Lines(run.stdOut).back(), desk_.DataDir() + "/Zoë’s Café — «Nuit».epub");
}

}  // namespace
}  // namespace quill::test
