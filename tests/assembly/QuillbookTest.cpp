// The quillbook tool run as a process, the way scripts and the benchmark use it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "TestChapters.h"
#include "assembly/BookName.h"
#include "common/Paths.h"
#include "support/PdfProbe.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

class Quillbook : public ::testing::Test {
  protected:
    Quillbook() {
        fs::create_directory(fs::u8path(work_));
        fs::create_directory(fs::u8path(data_));
        test::WriteFile(work_ + "/1.html",
                        "<h2>One</h2>\n<div class=\"page\">\n<p>Zoë</p></div>\n");
        test::WriteFile(work_ + "/2.html",
                        "<h2>Two</h2>\n<div class=\"page\">\n<p>two</p></div>\n");
    }

    // Without a display and without a platform chosen for it, as from a plain console;
    // with a limit on the size of every file it writes when fileSizeLimit is set.
    test::RunResult Run(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env = {},
                        size_t fileSizeLimit = 0) {
        std::vector<std::string> argv;
        if (fileSizeLimit > 0) {
            argv = {"prlimit", "--fsize=" + std::to_string(fileSizeLimit), "--"};
        }
        argv.insert(argv.end(), {"env", "-u", "QT_QPA_PLATFORM", "-u", "DISPLAY", "-u",
                                 "WAYLAND_DISPLAY", test::BinaryDir() + "/quillbook"});
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, env, 120s);
    }

    test::TempDir base_{"quill book #ü"};
    std::string work_ = base_.path() + "/tmp";
    std::string data_ = base_.path() + "/Zoë data";
};

TEST_F(Quillbook, PrintsTheLogLinesAndTheBookPathLast) {
    const test::RunResult r = Run({work_, "A%20Tale", "2", data_});
    ASSERT_TRUE(r.succeeded()) << r.Describe();
    const std::string book = data_ + "/A Tale.pdf";
    EXPECT_THAT(Lines(r.stdOut),
                ElementsAre("", "", "process html pdf 1", "process html pdf 2",
                            "building book ....", "process pdf file 1 page 0",
                            "process pdf file 2 page 1", "save pdf file " + book, book));
    EXPECT_TRUE(FileExists(book));
    EXPECT_EQ(r.stdErr.find("rror"), std::string::npos) << r.stdErr;
}

TEST_F(Quillbook, FormatChoosesTheEditionsAndPrintsEachPathLast) {
    const std::string pdf = data_ + "/Tale.pdf", epub = data_ + "/Tale.epub";
    const test::RunResult onlyEpub = Run({"--format", "epub", work_, "Tale", "2", data_});
    ASSERT_TRUE(onlyEpub.succeeded()) << onlyEpub.Describe();
    EXPECT_THAT(Lines(onlyEpub.stdOut),
                ElementsAre("building epub ....", "process epub chapter 1",
                            "process epub chapter 2", "save epub file " + epub, epub));
    EXPECT_FALSE(FileExists(work_ + "/1.pdf")) << "nothing is rendered for an EPUB alone";

    const test::RunResult both = Run({work_, "Tale", "2", data_, "--format=both"});
    ASSERT_TRUE(both.succeeded()) << both.Describe();
    const std::vector<std::string> lines = Lines(both.stdOut);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()), ElementsAre(pdf, epub));

    fs::remove(fs::u8path(epub));
    const test::RunResult onlyPdf = Run({"--format", "pdf", work_, "Tale", "2", data_});
    ASSERT_TRUE(onlyPdf.succeeded()) << onlyPdf.Describe();
    EXPECT_EQ(Lines(onlyPdf.stdOut).back(), pdf);
    EXPECT_FALSE(FileExists(epub));
}

TEST_F(Quillbook, AChapterThatTakesTooLongIsLeftOutAndTheBuildGoesOn) {
    test::WriteFile(work_ + "/2.html", test::HugeChapter("Two"));
    test::WriteFile(work_ + "/3.html", test::Chapter("Three", "after the slow one"));
    const test::RunResult r =
        Run({work_, "Slow", "3", data_}, {{"QUILLBY_RENDER_TIMEOUT_MS", "2000"}});
    ASSERT_TRUE(r.succeeded()) << r.Describe();
    const std::vector<std::string> lines = Lines(r.stdOut);
    EXPECT_THAT(lines, ::testing::Contains(
                           "chapter 2 left out of the book: rendering it took longer than 2 s"));
    const test::RunResult text =
        test::Run({"pdftotext", "-enc", "UTF-8", data_ + "/Slow.pdf", "-"}, {}, 60s);
    EXPECT_THAT(text.stdOut, HasSubstr("Zoë"));
    EXPECT_THAT(text.stdOut, HasSubstr("after the slow one"));
    EXPECT_THAT(text.stdOut, Not(HasSubstr("lamp turned")));
}

// Files that cannot be written stop the build: a chapter is not simply left out.
TEST_F(Quillbook, AFileSizeLimitStopsTheBuildLikeAFullDisk) {
    test::WriteFile(work_ + "/1.html", test::Chapter("One", "many words", 600));
    const test::RunResult r = Run({work_, "Limited", "2", data_}, {}, 20000);
    EXPECT_EQ(r.exitCode, 1) << r.Describe();
    const std::vector<std::string> errors = Lines(r.stdErr);
    ASSERT_FALSE(errors.empty());
    // Whichever file meets the limit first: the cleaned copy, or the engine's own temporary
    // file, which leaves it a PDF cut short.
    EXPECT_THAT(errors.back(), StartsWith("Cannot write file \"" + work_ + "/"));
    EXPECT_THAT(r.stdOut, Not(HasSubstr("left out")));
    EXPECT_FALSE(FileExists(data_ + "/Limited.pdf"));
}

TEST_F(Quillbook, AFailureGoesToStandardErrorWithANonZeroExit) {
    const std::string missing = base_.path() + "/no such folder";
    const test::RunResult r = Run({work_, "Title", "2", missing});
    EXPECT_EQ(r.exitCode, 1) << r.Describe();
    // Qt may put warnings of its own before it.
    const std::vector<std::string> errors = Lines(r.stdErr);
    ASSERT_FALSE(errors.empty());
    EXPECT_THAT(errors.back(), StartsWith("Cannot create file \"" + missing + "/Title.pdf\". "));
    EXPECT_THAT(r.stdOut, Not(HasSubstr("save pdf file")));
}

TEST_F(Quillbook, ABookOfAnotherStoryIsNeverReplacedAndTheSameStoryReplacesItsOwn) {
    // Two titles that agree in their first 40 units, so both are cut to one name.
    const std::string one = "The Lighthouse Keeper’s Winter Chronicle, Book One";
    const std::string two = "The Lighthouse Keeper’s Winter Chronicle, Book Two";
    const std::string name = MakeBookName(one);
    ASSERT_EQ(name, MakeBookName(two));
    const std::string first = data_ + "/" + name + ".pdf";
    const std::string second = data_ + "/" + name + " (2).pdf";
    const auto build = [&](const std::string& title, const std::string& story) {
        const test::RunResult r = Run({work_, title, "2", data_, "Ann Author", story});
        EXPECT_TRUE(r.succeeded()) << r.Describe();
        return Lines(r.stdOut).back();
    };

    EXPECT_EQ(build(one, "https://quillby.example/story/1150"), first);
    EXPECT_EQ(build(two, "https://quillby.example/story/1151"), second);
    const std::string secondBytes = test::ReadFile(second);
    test::WriteFile(first, test::ReadFile(first) + "% older build\n");
    EXPECT_EQ(build(one, "https://quillby.example/story/1150"), first);

    EXPECT_THAT(test::ReadFile(first), Not(HasSubstr("% older build")));
    EXPECT_EQ(test::ReadFile(second), secondBytes);
    EXPECT_EQ(test::ListDir(data_), (std::vector<std::string>{name + " (2).pdf", name + ".pdf"}));
    EXPECT_EQ(test::PdfInfo(first).at("Title"), one);
    EXPECT_EQ(test::PdfInfo(second).at("Title"), two);
}

TEST_F(Quillbook, ASaveCutShortLeavesThePreviousBookAsItWas) {
    ASSERT_TRUE(Run({work_, "Tale", "2", data_}).succeeded());
    const std::string book = data_ + "/Tale.pdf";
    const std::string before = test::ReadFile(book);
    const size_t chapter = std::max(fs::file_size(fs::u8path(work_ + "/1.pdf")),
                                    fs::file_size(fs::u8path(work_ + "/2.pdf")));
    // One byte short of the book stops the finished book's write; a little more than a
    // chapter stops the merged pages' write in the work folder.
    for (const auto& [limit, failing] : {std::make_pair(before.size() - 1, book),
                                         std::make_pair(chapter + 64, work_ + "/book.pdf")}) {
        const test::RunResult r = Run({work_, "Tale", "2", data_}, {}, limit);
        EXPECT_EQ(r.exitCode, 1) << r.Describe();
        EXPECT_THAT(Lines(r.stdErr).back(), StartsWith("Cannot write file \"" + failing + "\"."));
        EXPECT_THAT(r.stdOut, Not(HasSubstr("save pdf file")));
        EXPECT_TRUE(test::ReadFile(book) == before) << "the previous book changed";
        EXPECT_EQ(test::ListDir(data_), std::vector<std::string>{"Tale.pdf"});
        for (const std::string& name : test::ListDir(work_)) {
            EXPECT_NE(name.rfind("._", 0), 0u) << name;
        }
    }
}

// Each usage mistake is named in one line before the usage, with exit 2; options may stand
// anywhere, "--" ends them, and --help and --version answer on standard output.
TEST_F(Quillbook, TheCommandLineBehavesLikeOtherTools) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    for (const Case& c : {
             Case{{work_, "Title", "2"},
                  "WORKFOLDER, TITLE, LASTCHAPTER and DATAFOLDER are needed"},
             Case{{work_, "Title", "two", data_}, "LASTCHAPTER needs a whole number, not \"two\""},
             Case{{"--format", "mobi", work_, "Title", "2", data_},
                  "--format needs pdf, epub or both, not \"mobi\""},
             Case{{"--format=", work_, "Title", "2", data_},
                  "--format needs pdf, epub or both, not \"\""},
             Case{{work_, "Title", "2", data_, "--format"}, "--format needs a value"},
             Case{{"--render-cache", "--format=pdf", work_, "Title", "2", data_},
                  "--render-cache needs a value"},
             Case{{"--colour", work_, "Title", "2", data_}, "unknown option --colour"},
             Case{{"--format=pdf", work_, "Title", "2", data_, "--format", "epub"},
                  "--format is given twice"},
             Case{{work_, "Title", "2", data_, "Ann", "https://x/story/1", "more"},
                  "unexpected argument \"more\""},
         }) {
        const test::RunResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2) << r.Describe();
        const std::vector<std::string> lines = Lines(r.stdErr);
        ASSERT_GE(lines.size(), 2u) << r.stdErr;
        EXPECT_EQ(lines[0], "quillbook: " + c.error);
        EXPECT_THAT(lines[1], StartsWith("Usage: quillbook "));
        EXPECT_EQ(r.stdOut, "");
    }

    const test::RunResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.stdOut, StartsWith("Usage: quillbook "));
    const test::RunResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.Describe();
    EXPECT_THAT(Lines(version.stdOut),
                ElementsAre(StartsWith("quillbook (Quillby Downloader) 1."),
                            StartsWith("wkhtmltox 0.12."), StartsWith("PDFium @")));

    // After "--" a word that looks like an option is the work folder (here a missing one).
    const test::RunResult dashed = Run({"--", "-work", "Title", "2", data_});
    EXPECT_EQ(dashed.exitCode, 1) << dashed.Describe();
    EXPECT_THAT(dashed.stdErr, Not(HasSubstr("Usage")));
}

}  // namespace
}  // namespace quill
