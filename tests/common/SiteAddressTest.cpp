// Reading story and chapter numbers out of the addresses a user may paste or a book records.
#include <gtest/gtest.h>

#include "common/SiteAddress.h"

namespace quill::test {
namespace {

TEST(SiteAddress, NumbersComeOnlyFromTheirOwnPlaceInAnHttpAddress) {
    const auto site = ReadSiteAddress("HTTPS://WWW.Quillby.com:443/story/7001-seven/?ref=x#top");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->origin, "https://www.quillby.com");
    EXPECT_EQ(site->story, 7001u);
    EXPECT_EQ(site->part, std::nullopt);
    EXPECT_EQ(ReadSiteAddress("http://127.0.0.1:8123/700101-uno/page/2")->part, 700101u);
    EXPECT_EQ(ReadSiteAddress("http://127.0.0.1:8123/700101-uno/page/2")->origin,
              "http://127.0.0.1:8123");
    EXPECT_EQ(StoryNumberIn("https://h/story/7001"), 7001u);
    EXPECT_EQ(StoryNumberIn("https://h/story/007001/parts"), 7001u);
    for (const char* none :
         {"https://h/700101-uno", "https://h/story/7001abc", "https://h/story/-7001",
          "https://h/story/0", "https://h/story/1234567890123456789", "https://h/x/story/7001",
          "https://h/story/%37001"}) {
        EXPECT_EQ(StoryNumberIn(none), std::nullopt) << none;
    }
    for (const char* unusable : {"file:///story/7001", "ftp://h/story/7001", "/story/7001",
                                 "story/7001", "", "https://"}) {
        EXPECT_EQ(ReadSiteAddress(unusable), std::nullopt) << unusable;
    }
    EXPECT_EQ(ParseStoryNumber("12"), 12u);
    EXPECT_EQ(ParseStoryNumber(" 12"), std::nullopt);
    EXPECT_EQ(ParseStoryNumber("+12"), std::nullopt);
}

TEST(SiteAddress, OneStoryIsTheSameInEveryRecordedForm) {
    const std::string key = StoryKeyAddress("https://www.quillby.com", 7001);
    EXPECT_EQ(key, "https://www.quillby.com/story/7001");
    for (const char* same : {"https://www.quillby.com/story/7001-seven?x=1",
                             "HTTPS://www.quillby.com:443/story/7001-renamed/"}) {
        EXPECT_TRUE(SameStory(same, key)) << same;
    }
    for (const char* other :
         {"https://www.quillby.com/story/7002", "http://www.quillby.com/story/7001",
          "https://quillby.com/story/7001", "https://www.quillby.com/700101-uno", ""}) {
        EXPECT_FALSE(SameStory(other, key)) << other;
    }
    // A chapter page names no story; it is the same only as itself.
    EXPECT_TRUE(
        SameStory("https://www.quillby.com/700101-uno?x", "https://www.quillby.com/700101-uno/"));
    EXPECT_FALSE(
        SameStory("https://www.quillby.com/700101-uno", "https://www.quillby.com/700102-dos"));
}

}  // namespace
}  // namespace quill::test
