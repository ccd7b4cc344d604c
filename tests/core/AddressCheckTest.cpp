// Which addresses a job takes, and what it says about the others before anything starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/AddressCheck.h"

namespace quill::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr char kSite[] = "https://www.quillby.com";

TEST(AddressCheck, StoryAndChapterAddressesOnTheSiteAreTaken) {
    for (const char* address : {
             "https://www.quillby.com/story/1001-the-keepers-daughter",
             "https://www.quillby.com/story/1001",
             "http://www.quillby.com/story/1001/parts?ref=x#top",
             "https://quillby.com/story/1001-x",
             "HTTPS://WWW.QUILLBY.COM./story/1001",
             "https://www.quillby.com/100701-chapter-one",
             "https://www.quillby.com/100701/page/2",
         }) {
        EXPECT_EQ(StoryAddressProblem(address, kSite), std::nullopt) << address;
    }
    // The simulator's host and port stand for the site in tests.
    EXPECT_EQ(StoryAddressProblem("http://127.0.0.1:8123/story/7", "http://127.0.0.1:8123"),
              std::nullopt);
}

TEST(AddressCheck, EveryOtherAddressIsNamedWithTheReason) {
    struct Case {
        std::string address;
        std::string says;
    };
    for (const Case& c : {
             Case{"", "No story address was given."},
             Case{" \t", "No story address was given."},
             Case{"file:///etc/passwd", "“file:///etc/passwd” is not a web address"},
             Case{"ftp://www.quillby.com/story/1", "is not a web address"},
             Case{"www.quillby.com/story/1", "is not a web address"},
             Case{"https://www.quillby.com.evil.example/story/1",
                  "is not on the story site www.quillby.com."},
             Case{"https://wwwquillby.com/story/1", "is not on the story site"},
             Case{"https://www.quillby.com/", "is not a story's address: it has no story number"},
             Case{"https://www.quillby.com/story/abc", "has no story number"},
             Case{"https://www.quillby.com/user/12", "has no story number"},
             Case{"https://www.quillby.com/12abc", "has no story number"},
             Case{"https://www.quillby.com/story/1 x", "is not a web address"},
         }) {
        const std::optional<std::string> problem = StoryAddressProblem(c.address, kSite);
        ASSERT_TRUE(problem) << c.address;
        EXPECT_THAT(*problem, HasSubstr(c.says)) << c.address;
        EXPECT_THAT(*problem, HasSubstr("Paste the address of a story on www.quillby.com, such as "
                                        "https://www.quillby.com/story/12345-a-title."));
    }
}

// An address long enough to overflow a program's argument once it is in the job ticket gets
// its own reason, and a pasted address is quoted safely: no control character reaches a
// terminal, and a long one is cut.
TEST(AddressCheck, ALongOrStrangeAddressIsToldSafely) {
    const std::string huge = "https://www.quillby.com/story/1?" + std::string(100000, 'a');
    EXPECT_THAT(StoryAddressProblem(huge, kSite).value_or(""),
                StartsWith("The address is too long to pass on: 100032 characters, and a "
                           "story's address has at most 8192."));

    const std::string problem =
        StoryAddressProblem("javascript:\x1b]0;owned\x07\xc2\x9b" + std::string(300, 'x'), kSite)
            .value_or("");
    EXPECT_THAT(problem, StartsWith("“javascript: ]0;owned  xxx"));
    EXPECT_THAT(problem, HasSubstr("x…” is not a web address"));
    for (const char c : problem) {
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << problem;
    }
}

}  // namespace
}  // namespace quill::test
