// The chapter store's entries: what is taken back, and what is refused and fetched again.

#include <gtest/gtest.h>

#include <vector>

#include "common/Digest.h"
#include "downloader/ChapterStore.h"
#include "support/TempDir.h"
#include "web/Errors.h"

namespace quill::test {
namespace {

TEST(ChapterStore, FolderNamesComeFromTheStoryIdentifierAndNeverMeetOrClimb) {
    EXPECT_EQ(ChapterStore::FolderName("12345-a-title"), "12345-a-title");
    for (const std::string& id : std::vector<std::string>{"..", ".hidden", "a/../../b", "", "Zoë’s",
                                                          "a b", "a_b?", std::string(200, 'x')}) {
        const std::string name = ChapterStore::FolderName(id);
        EXPECT_EQ(name.find('/'), std::string::npos) << id;
        EXPECT_NE(name[0], '.') << id;
        EXPECT_LE(name.size(), 64u + 17u) << id;
    }
    EXPECT_NE(ChapterStore::FolderName("a b"), ChapterStore::FolderName("a_b"));
    EXPECT_NE(ChapterStore::FolderName("a?b"), ChapterStore::FolderName("a_b"));
}

TEST(ChapterStore, OnlyAWholeEntryForTheSameAddressIsTakenBack) {
    TempDir root;
    const ChapterStore store(root.path(), "1055-fails-once");
    const std::string address = "http://127.0.0.1:1/105501-a";
    EXPECT_EQ(store.FindChapter(address), std::nullopt);
    store.PutChapter(address, "<h2>One</h2>\n");
    EXPECT_EQ(store.FindChapter(address), "<h2>One</h2>\n");
    store.PutChapter(address, "<h2>Two</h2>\n");
    EXPECT_EQ(store.FindChapter(address), "<h2>Two</h2>\n");

    const std::string path = root.file("1055-fails-once/" + Sha256Hex(address) + ".chapter");
    const std::string whole = ReadFile(path);
    WriteFile(path, whole.substr(0, whole.size() - 1));  // cut short by anything but us
    EXPECT_EQ(store.FindChapter(address), std::nullopt);
    WriteFile(path, whole + "x");
    EXPECT_EQ(store.FindChapter(address), std::nullopt);
    // An entry under another address's name is never taken for that address.
    WriteFile(root.file("1055-fails-once/" + Sha256Hex("http://127.0.0.1:1/x") + ".chapter"),
              whole);
    EXPECT_EQ(store.FindChapter("http://127.0.0.1:1/x"), std::nullopt);

    store.PutCover("http://127.0.0.1:1/covers/1055.jpg", std::string("\xff\xd8\0jpeg", 7));
    EXPECT_EQ(store.FindCover("http://127.0.0.1:1/covers/1055.jpg"),
              std::string("\xff\xd8\0jpeg", 7));
    EXPECT_EQ(store.FindCover("http://127.0.0.1:1/covers/other.jpg"), std::nullopt);
}

TEST(ChapterStore, AStoreThatCannotBeCreatedFailsAtOnce) {
    TempDir root;
    WriteFile(root.file("file"), "x");
    EXPECT_THROW(ChapterStore(root.file("file"), "1"), OSError);
}

}  // namespace
}  // namespace quill::test
