// Reading a story page without fetching it: the metadata the site embeds, and the bound on
// what its table of contents may cost.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "downloader/Pages.h"
#include "web/Errors.h"

namespace quill::test {
namespace {

constexpr char kUrl[] = "https://www.quillby.com/story/7-x";

std::string StoryPageWith(const std::string& metadata, const std::string& contents) {
    return R"(<html><head><script type="application/ld+json">)" + metadata +
           R"(</script></head><body><div class="story-parts"><ul><li>)" + contents +
           "</li></ul></div></body></html>";
}

StoryPage Read(const std::string& page) {
    return ReadStoryPage(gsweb::Document::Parse(page), kUrl);
}

TEST(StoryPageReading, MetadataIsReadAsABrowserReadsJson) {
    const StoryPage story = Read(StoryPageWith(
        R"({"headline":"One","headline":"Two","author":{"name":"A"},"image":"i",
            "description":{"long":[1,2,3]},"comments":[{"headline":"x"}]})",
        R"(<a href="/1">Chapter 1</a>)"));
    EXPECT_EQ(story.meta.title, "Two");
    EXPECT_EQ(story.meta.author, "A");
    // A repeated "author" replaces the first one whole, name and all.
    EXPECT_THROW(Read(StoryPageWith(
                     R"({"headline":"t","author":{"name":"A"},"author":{},"image":"i",
                         "description":""})",
                     "")),
                 KeyError);
    EXPECT_THROW(Read(StoryPageWith(R"({"headline":"t"} trailing)", "")), ValueError);
}

TEST(StoryPageReading, LinksNestedInLinksCannotMultiplyTheWork) {
    // Each of 120 nested links would repeat the 3 MB of text inside them all.
    std::string contents;
    for (int i = 0; i < 120; ++i) {
        contents += R"(<a href="/x"><b>)";
    }
    contents += std::string(3 << 20, 'w');
    const std::string page = StoryPageWith(
        R"({"headline":"t","author":{"name":"A"},"image":"i","description":""})", contents);
    try {
        Read(page);
        FAIL() << "the nested links were read";
    } catch (const ValueError& failure) {
        EXPECT_THAT(failure.what(), ::testing::HasSubstr("holds more than 32 MB of markup"));
    }
}

}  // namespace
}  // namespace quill::test
