// Deeply nested quotes and lists through the real engine: every word stays on the page,
// and nesting beyond the drawn depth indents no further.

#include <gmock/gmock.h>
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

namespace fs = std::filesystem;

constexpr int kLevels = 60;
constexpr int kDrawnLevels = 8;

// `levels` elements of `open`, each starting with a paragraph that names its level.
std::string Nested(const std::string& open, const std::string& close, const std::string& word,
                   int levels) {
    std::string markup;
    for (int level = 1; level <= levels; ++level) {
        markup += open + "<p>" + word + std::to_string(level) + " and some words after it</p>\n";
    }
    for (int level = 1; level <= levels; ++level) {
        markup += close;
    }
    return markup + "\n";
}

class Nesting : public ::testing::Test {
  protected:
    Nesting() {
        job_.tmpdir = base_.path() + "/work";
        job_.datadir = base_.path() + "/data";
        fs::create_directory(job_.tmpdir);
        fs::create_directory(job_.datadir);
        job_.booktitle = "Nested";
        job_.renderer = test::QuillrenderPath();
    }

    // The left edge of each word that starts with `word` followed by its level.
    std::map<int, double> LeftEdges(const std::vector<test::PdfPage>& pages,
                                    const std::string& word) {
        std::map<int, double> edges;
        for (const test::PdfPage& page : pages) {
            for (const test::PdfWord& found : page.words) {
                if (found.text.rfind(word, 0) == 0) {
                    edges[std::stoi(found.text.substr(word.size()))] = found.xMin;
                }
            }
        }
        return edges;
    }

    test::TempDir base_{"nesting"};
    BookJob job_;

    struct NoLog : IWindowLog {
        void Log(const std::string&) override {}
        void UpdateLog(const std::string&) override {}
        void ProcessMessages() override {}
    } log_;
};

TEST_F(Nesting, DeepQuotesAndListsStayOnThePage) {
    test::WriteFile(JoinPath(job_.tmpdir, "1.html"),
                    "<h2>Deep</h2>\n<div class=\"page\">\n" +
                        Nested("<blockquote>", "</blockquote>", "quote", kLevels) +
                        Nested("<ul><li>", "</li></ul>", "item", kLevels) +
                        Nested("<ol start=\"3\"><li>", "</li></ol>", "step", kLevels) + "</div>\n");
    job_.lastchapter = 1;
    BuildBook(job_, log_);
    ASSERT_TRUE(job_.unrendered.empty());

    const std::vector<test::PdfPage> pages = test::PdfWords(job_.bookfile);
    for (const test::PdfPage& page : pages) {
        for (const test::PdfWord& word : page.words) {
            EXPECT_GE(word.xMin, 0) << word.text;
            EXPECT_LE(word.xMax, page.width) << word.text;
            EXPECT_GE(word.yMin, 0) << word.text;
            EXPECT_LE(word.yMax, page.height) << word.text;
        }
    }
    for (const char* word : {"quote", "item", "step"}) {
        const std::map<int, double> edges = LeftEdges(pages, word);
        ASSERT_EQ(edges.size(), static_cast<size_t>(kLevels)) << word;
        // Each drawn level indents; every deeper one stands where the last drawn one does.
        EXPECT_GT(edges.at(kDrawnLevels), edges.at(kDrawnLevels - 1) + 5) << word;
        for (int level = kDrawnLevels + 1; level <= kLevels; ++level) {
            EXPECT_NEAR(edges.at(level), edges.at(kDrawnLevels), 1) << word << level;
        }
    }
}

}  // namespace
}  // namespace quill
