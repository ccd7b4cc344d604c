// Text cleaning and the small text rules of story retrieval.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "downloader/QuillObj.h"
#include "downloader/RunLog.h"
#include "downloader/SiteData.h"
#include "downloader/Text.h"
#include "downloader/Utils.h"
#include "support/TempDir.h"
#include "web/Errors.h"

namespace quill::test {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;

class CleanText : public ::testing::Test {
  protected:
    ~CleanText() override { runlog::close_all(); }
    TempDir dir_;
    QuillObj session_{dir_.path()};
};

TEST_F(CleanText, StripsExactly32CharacterParagraphIdsAndNoBreakSpaces) {
    const std::string id32 = "0123456789abcdef0123456789ABCDEF";
    EXPECT_EQ(session_.clean_text("<p data-p-id=\"" + id32 + "\">Hi</p>"), "<p>Hi</p>");
    // 32 characters, not bytes: non-ASCII identifiers count by character.
    const std::string wide = "ééééééééééééééééééééééééééééééé\"";  // 31 + the quote
    EXPECT_EQ(session_.clean_text("<p data-p-id=\"" + wide + "\">x"), "<p>x");
    for (const std::string& kept :
         {"<p data-p-id=\"" + id32.substr(1) + "\">", "<p data-p-id=\"" + id32 + "0\">",
          "<p data-p-id=\"" + id32 + "\" class=\"x\">", "<P DATA-P-ID=\"" + id32 + "\">",
          std::string("<p data-p-id=\"0123456789\nbcdef0123456789ABCDEF0\">")}) {
        EXPECT_EQ(session_.clean_text(kept), kept);
    }
    EXPECT_EQ(session_.clean_text("a\xC2\xA0"
                                  "b c"),
              "ab c");
    EXPECT_EQ(session_.clean_text(""), "");
}

std::optional<int> PageCountOf(const std::string& script) {
    return PageCountIn(script, "http://site/7");
}

int CountIn(const std::string& script) {
    const std::optional<int> pages = PageCountOf(script);
    if (!pages) {
        throw std::logic_error("not the site's data script: " + script);
    }
    return *pages;
}

TEST(PageCount, OnlyTheScriptThatAssignsTheSiteDataCounts) {
    EXPECT_EQ(PageCountOf("window.dataLayer = [];"), std::nullopt);
    EXPECT_EQ(PageCountOf(R"(track("pages":3,); window.prefetched = {})"), std::nullopt);
    EXPECT_EQ(PageCountOf("window.prefetchedX = {}"), std::nullopt);
    EXPECT_EQ(CountIn("\n  window.prefetched = {\"part\":{\"pages\":3}}; window.x = {};"), 3);
    EXPECT_EQ(CountIn("window.prefetched={\"part\":{\"pages\":0},\"story\":{\"pages\":9}}"), 0);
}

TEST(PageCount, IsReadAsJsonTheWayABrowserReadsIt) {
    // Blanks are JSON too; the last of repeated keys wins, as in JavaScript.
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"pages": 2,"id":1}};)"), 2);
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"pages":1,"pages":3}};)"), 3);
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"pages":1000}};)"), 1000);
    // The count's key is read with case ignored; "pages" itself wins over the others, of
    // which the last counts. Other keys keep their case, and a count must be a whole number
    // from 0 to 1000 whatever its key.
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"pAgEs":2}};)"), 2);
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"pages":1,"PAGES":2}};)"), 1);
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"PAGES":2,"pages":1}};)"), 1);
    EXPECT_EQ(CountIn(R"(window.prefetched = {"part":{"PAGES":2,"Pages":3}};)"), 3);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"part":{"PAGES":1001}};)"), ValueError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"part":{"Pages":"2"}};)"), ValueError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"part":{"pagesX":2,"page":2}};)"), KeyError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"PART":{"pages":2}};)"), KeyError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"pages":2};)"), KeyError);
    EXPECT_THROW(CountIn(R"(window.prefetched = [];)"), KeyError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"part":[{"pages":2}]};)"), KeyError);
    EXPECT_THROW(CountIn(R"(window.prefetched = {"part":{"pages":2},"part":{}};)"), KeyError);
    for (const char* bad : {R"("2")", "2.5", "-1", "1001", "999999999", "1e3",
                            "18446744073709551616", "null", "[2]"}) {
        EXPECT_THROW(CountIn(std::string(R"(window.prefetched = {"part":{"pages":)") + bad + "}}"),
                     ValueError)
            << bad;
    }
    EXPECT_THAT([] { CountIn(R"(window.prefetched = {"part":{"pages":999999999}};)"); },
                ThrowsMessage<ValueError>(
                    StrEq("the page count 999999999 in http://site/7 is outside 0 to 1000")));
    // Broken data is no JSON at all: the chapter fails rather than guessing.
    EXPECT_THROW(PageCountOf(R"(window.prefetched = {"part":{"pages":,}};)"), ValueError);
    EXPECT_THROW(PageCountOf("window.prefetched = "), ValueError);
}

TEST(Text, EscapedBytesAreWrittenLikePythonBytes) {
    EXPECT_EQ(EscapedBytes("1/ 3: Prologue"), "b'1/ 3: Prologue'");
    EXPECT_EQ(EscapedBytes("Aubé"), "b'Aub\\xc3\\xa9'");
    EXPECT_EQ(EscapedBytes("it's"), "b\"it's\"");
    EXPECT_EQ(EscapedBytes("it's \"x\"\\"), "b'it\\'s \"x\"\\\\'");
    EXPECT_EQ(EscapedBytes("\t\n"), "b'\\t\\n'");
}

TEST(Text, StripRemovesUnicodeBlanks) {
    EXPECT_EQ(Strip("  \xC2\xA0 a/n \t\n\xE3\x80\x80"), "a/n");
    EXPECT_EQ(Strip("   "), "");
}

TEST(Utils, StoryIdentifierFromEveryAddressForm) {
    EXPECT_EQ(utils::getquillid("https://www.quillby.com/story/12345-a-title"), "12345-a-title");
    EXPECT_EQ(utils::getquillid("https://www.quillby.com/story/12345-a?ref=x#top"), "12345-a");
    EXPECT_EQ(utils::getquillid("https://www.quillby.com/987-chapter-one/page/2"),
              "987-chapter-one");
    EXPECT_EQ(utils::getquillid("www.quillby.com/story/5"), "5");
    EXPECT_EQ(utils::getquillid(""), "");
}

TEST_F(CleanText, SaveFileJoinsTheFolderOnceAndReplacesTheFile) {
    session_.savefile("3.html", "first");
    session_.savefile("3.html", "<h2>One</h2>\n");
    EXPECT_EQ(ReadFile(dir_.file("3.html")), "<h2>One</h2>\n");
    QuillObj trailing(dir_.path() + "/");
    trailing.savefile("10.html", "x");
    EXPECT_EQ(ReadFile(dir_.file("10.html")), "x");
}

}  // namespace
}  // namespace quill::test
