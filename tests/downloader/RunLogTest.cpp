// The run log's exact bytes and the failure description it carries.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "common/Ticket.h"
#include "downloader/RunLog.h"
#include "downloader/Utils.h"
#include "support/TempDir.h"
#include "web/Errors.h"
#include "web/Failure.h"

namespace quill::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class RunLog : public ::testing::Test {
  protected:
    ~RunLog() override { runlog::close_all(); }
    TempDir dir_;
};

TEST_F(RunLog, EveryLineEndsInCrLfAndTextStaysUtf8) {
    const std::string path = dir_.file("run.log");
    runlog::open(path);
    runlog::info("title:A: story: with colons");
    runlog::info("title:Zoë’s «Nuit»");
    runlog::info("bad byte \xff here");
    EXPECT_EQ(ReadFile(path),
              "title:A: story: with colons\r\ntitle:Zoë’s «Nuit»\r\n"
              "bad byte \xEF\xBF\xBD here\r\n");
}

TEST_F(RunLog, NoValueCanOpenALineOfItsOwn) {
    const std::string path = dir_.file("run.log");
    runlog::open(path);
    // CR, LF, tab, NUL, DEL, the C1 controls (U+0085 next line among them) and the Unicode
    // line and paragraph separators all become blanks; other text, U+00A0 included, stays.
    runlog::info(std::string("title:Evil\r\nchapter:999\r\ntitle:Forged\t\0x", 40));
    runlog::info(
        "chapter_1 / 2: a\x7f"
        "b\xc2\x80"
        "c\xc2\x85"
        "d\xc2\x9f"
        "e\xc2\xa0"
        "f");
    runlog::info(
        "author:x\xe2\x80\xa8"
        "author:y\xe2\x80\xa9"
        "z\xe2\x80\xaa");
    EXPECT_EQ(ReadFile(path),
              "title:Evil  chapter:999  title:Forged  x\r\n"
              "chapter_1 / 2: a b c d e\xc2\xa0"
              "f\r\n"
              "author:x author:y z\xe2\x80\xaa\r\n");
}

TEST_F(RunLog, OpeningAgainEmptiesTheFileAndSecondSessionWritesToBoth) {
    const std::string first = dir_.file("run.log");
    WriteFile(first, "old job\r\n");
    runlog::open(first);
    EXPECT_EQ(ReadFile(first), "");
    TempDir other;
    runlog::open(other.file("run.log"));
    runlog::info("done");
    EXPECT_EQ(ReadFile(first), "done\r\n");
    EXPECT_EQ(ReadFile(other.file("run.log")), "done\r\n");
}

TEST_F(RunLog, UnwritableFolderFails) {
    EXPECT_THROW(runlog::open(dir_.file("no/such/folder/run.log")), OSError);
}

void FetchPage(const std::string& url = "http://site/1/page/2") {
    OperationScope scope("get_page(" + url + ")");
    throw HttpError(404, url);
}

void FetchChapter() {
    OperationScope scope("get_chapter(http://site/1)");
    FetchPage();
}

TEST_F(RunLog, ErrorEntryCarriesTheChainOfOperationsAndTheFailure) {
    const std::string path = dir_.file("run.log");
    runlog::open(path);
    OperationScope book("get_book(http://site/story/1)");
    // An absorbed failure before must not leak into the next description.
    try {
        FetchPage();
    } catch (const std::exception&) {
        ForgetFailure();
    }
    try {
        FetchChapter();
    } catch (const std::exception& failure) {
        runlog::error("error ontimer", DescribeFailure(failure));
    }
    EXPECT_EQ(ReadFile(path),
              "error ontimer\r\n"
              "Failure (innermost operation last):\r\n"
              "  in get_book(http://site/story/1)\r\n"
              "  in get_chapter(http://site/1)\r\n"
              "  in get_page(http://site/1/page/2)\r\n"
              "HTTPError: HTTP status 404 for http://site/1/page/2\r\n");
}

TEST_F(RunLog, FailureDescriptionKeepsItsLinesAndQuotedTextStaysInsideThem) {
    const std::string path = dir_.file("run.log");
    runlog::open(path);
    try {
        FetchPage("http://site/1\r\ntitle:Forged\xe2\x80\xa8/page/2");
    } catch (const std::exception& failure) {
        runlog::error("error ontimer\nchapter:9", DescribeFailure(failure));
    }
    EXPECT_EQ(ReadFile(path),
              "error ontimer chapter:9\r\n"
              "Failure (innermost operation last):\r\n"
              "  in get_page(http://site/1  title:Forged /page/2)\r\n"
              "HTTPError: HTTP status 404 for http://site/1  title:Forged /page/2\r\n");
}

// Failures from below the downloader (a file, the job ticket) are named by the same kinds.
TEST_F(RunLog, FailuresOfTheSharedLayersCarryTheirKind) {
    const std::string chapter = dir_.file("no/such/folder/3.html");
    try {
        utils::savetext(chapter, "<h2>Three</h2>");
        FAIL() << "a chapter was written into a missing folder";
    } catch (const std::exception& failure) {
        EXPECT_THAT(DescribeFailure(failure), EndsWith("\nOSError: Cannot create file \"" +
                                                       chapter + "\". " + std::strerror(ENOENT)));
    }
    EXPECT_EQ(FailureKind(TicketError("the job ticket is not a JSON object")), "TicketError");
}

}  // namespace
}  // namespace quill::test
