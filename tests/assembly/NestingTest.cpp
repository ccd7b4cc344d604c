// Quotes and lists nested 60 deep, through the real engine: every word stays on the page,
// and levels beyond the eighth indent no further.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "assembly/BookBuilder.h"
#include "common/Paths.h"
#include "support/PdfProbe.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

namespace quill {
namespace {

constexpr int kLevels = 60;

// `open` nested kLevels deep, each level starting with a paragraph that names it.
std::string Nested(const std::string& open, const std::string& close, const std::string& word) {
    std::string markup;
    for (int level = 1; level <= kLevels; ++level) {
        markup += open + "<p>" + word + std::to_string(level) + " and some words after it</p>\n";
    }
    for (int level = 1; level <= kLevels; ++level) {
        markup += close;
    }
    return markup;
}

struct NoLog : IWindowLog {
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

TEST(Nesting, SixtyNestedQuotesAndListsStayOnThePage) {
    const test::TempDir base("nesting");
    BookJob job;
    job.tmpdir = base.file("work");
    job.datadir = base.file("data");
    std::filesystem::create_directory(job.tmpdir);
    std::filesystem::create_directory(job.datadir);
    job.booktitle = "Nested";
    job.renderer = test::QuillrenderPath();
    job.lastchapter = 1;
    test::WriteFile(JoinPath(job.tmpdir, "1.html"),
                    "<h2>Deep</h2>\n<div class=\"page\">\n" +
                        Nested("<blockquote>", "</blockquote>", "quote") +
                        Nested("<ol start=\"3\"><li>", "</li></ol>", "item") + "</div>\n");
    NoLog log;
    BuildBook(job, log);
    ASSERT_TRUE(job.unrendered.empty());

    std::map<std::string, std::map<int, double>> leftEdges;
    for (const test::PdfPage& page : test::PdfWords(job.bookfile)) {
        for (const test::PdfWord& word : page.words) {
            EXPECT_TRUE(word.xMin >= 0 && word.xMax <= page.width && word.yMin >= 0 &&
                        word.yMax <= page.height)
                << word.text;
            for (const std::string kind : {"quote", "item"}) {
                if (word.text.rfind(kind, 0) == 0) {
                    leftEdges[kind][std::stoi(word.text.substr(kind.size()))] = word.xMin;
                }
            }
        }
    }
    for (const auto& [kind, edges] : leftEdges) {
        ASSERT_EQ(edges.size(), static_cast<size_t>(kLevels)) << kind;
        // The eighth level still indents; every deeper one stands where it does.
        EXPECT_GT(edges.at(8), edges.at(7) + 5) << kind;
        for (int level = 9; level <= kLevels; ++level) {
            EXPECT_NEAR(edges.at(level), edges.at(8), 1) << kind << level;
        }
    }
    EXPECT_EQ(leftEdges.size(), 2u);
}

}  // namespace
}  // namespace quill
