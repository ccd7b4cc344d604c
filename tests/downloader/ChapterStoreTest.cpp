// The chapter store's entries: what is taken back, what is refused and fetched again, and
// what earlier versions kept under other folder names.

#include <gtest/gtest.h>

#include <vector>

#include "common/Digest.h"
#include "common/Paths.h"
#include "downloader/ChapterStore.h"
#include "support/TempDir.h"
#include "web/Errors.h"

namespace quill::test {
namespace {

// An entry as the store wrote it before it recorded digests and titles.
std::string FirstVersionEntry(const std::string& address, const std::string& content) {
    return "quillby-store 1\naddress: " + address + "\nbytes: " + std::to_string(content.size()) +
           "\n\n" + content;
}

TEST(ChapterStore, FolderNamesComeFromTheStoryKeyAndNeverMeetOrClimb) {
    EXPECT_EQ(ChapterStore::FolderName("12345"), "12345");
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

TEST(ChapterStore, AnEntryServesOnlyWholeAndForItsAddressAndTitle) {
    TempDir root;
    const ChapterStore store(root.path(), "1055");
    const std::string address = "http://127.0.0.1:1/105501-a";
    const std::string path = root.file("1055/" + Sha256Hex(address) + ".chapter");
    EXPECT_EQ(store.FindChapter(address, "One").content, std::nullopt);
    store.PutChapter(address, "One", "<h2>One</h2>\n");
    EXPECT_EQ(store.FindChapter(address, "One").content, "<h2>One</h2>\n");

    // A retitled contents entry is not served, and nothing is wrong with the entry.
    const ChapterStore::Found retitled = store.FindChapter(address, "One (revised)");
    EXPECT_EQ(retitled.content, std::nullopt);
    EXPECT_EQ(retitled.damage, "");
    EXPECT_TRUE(FileExists(path));

    // Cut short, or an entry of another chapter put under this one's name: removed.
    const std::string whole = ReadFile(path);
    WriteFile(path, whole.substr(0, whole.size() - 1));
    EXPECT_EQ(store.FindChapter(address, "One").damage,
              "its length is not the one recorded when it was written");
    EXPECT_FALSE(PathExists(path));
    WriteFile(path, whole);
    store.PutChapter("http://127.0.0.1:1/x", "One", "<h2>One</h2>\n");
    WriteFile(path, ReadFile(root.file("1055/" + Sha256Hex("http://127.0.0.1:1/x") + ".chapter")));
    EXPECT_EQ(store.FindChapter(address, "One").damage,
              "it records another address than its name stands for");

    // A new cover address is a new cover, not a damaged entry.
    store.PutCover("http://127.0.0.1:1/covers/1055.jpg", std::string("\xff\xd8\0jpeg", 7));
    EXPECT_EQ(store.FindCover("http://127.0.0.1:1/covers/1055.jpg").content,
              std::string("\xff\xd8\0jpeg", 7));
    const ChapterStore::Found other = store.FindCover("http://127.0.0.1:1/covers/other.jpg");
    EXPECT_EQ(other.content, std::nullopt);
    EXPECT_EQ(other.damage, "");
}

TEST(ChapterStore, AnEntryKeptBeforeDigestsServesAndIsWrittenAgainWithOne) {
    TempDir root;
    const ChapterStore store(root.path(), "1055");
    const std::string address = "http://127.0.0.1:1/105501-a";
    const std::string path = root.file("1055/" + Sha256Hex(address) + ".chapter");
    WriteFile(path, FirstVersionEntry(address, "<h2>One</h2>\n"));
    EXPECT_EQ(store.FindChapter(address, "One").content, "<h2>One</h2>\n");
    EXPECT_EQ(ReadFile(path).rfind("quillby-store 2\n", 0), 0u);
    // From now on its title and digest are checked.
    EXPECT_EQ(store.FindChapter(address, "Two").content, std::nullopt);
    EXPECT_EQ(store.FindChapter(address, "One").content, "<h2>One</h2>\n");
}

TEST(ChapterStore, EarlierFoldersGiveUpOnlyThisStorysEntries) {
    TempDir root;
    const std::string mine = "http://h/700101-one", chapterForm = "http://h/700102-two";
    const std::string others = "http://h/900101-elsewhere";
    for (const char* folder : {"7001-old-slug", "700102-two", "70012-other-story"}) {
        ChapterStore::PrepareRoot(root.file(folder));
    }
    auto entry = [&](const std::string& folder, const std::string& address) {
        return root.file(folder + "/" + Sha256Hex(address) + ".chapter");
    };
    WriteFile(entry("7001-old-slug", mine), FirstVersionEntry(mine, "<h2>One</h2>\n"));
    WriteFile(entry("7001-old-slug", others), FirstVersionEntry(others, "<h2>Else</h2>\n"));
    WriteFile(entry("700102-two", chapterForm), FirstVersionEntry(chapterForm, "<h2>Two</h2>\n"));
    WriteFile(entry("70012-other-story", mine), FirstVersionEntry(mine, "<h2>Not</h2>\n"));
    WriteFile(root.file("7001-old-slug/cover.picture"),
              FirstVersionEntry("http://h/covers/7001.jpg", "jpeg"));

    const ChapterStore store(root.path(), "7001");
    store.AdoptEarlierFolders(7001, {"700102-two"}, {mine, chapterForm},
                              "http://h/covers/7001.jpg");
    EXPECT_EQ(store.FindChapter(mine, "One").content, "<h2>One</h2>\n");
    EXPECT_EQ(store.FindChapter(chapterForm, "Two").content, "<h2>Two</h2>\n");
    EXPECT_EQ(store.FindCover("http://h/covers/7001.jpg").content, "jpeg");
    EXPECT_EQ(ListDir(root.path()),
              (std::vector<std::string>{"7001", "7001-old-slug", "70012-other-story"}));
    EXPECT_EQ(ListDir(root.file("7001-old-slug")),
              std::vector<std::string>{Sha256Hex(others) + ".chapter"});
    EXPECT_TRUE(FileExists(entry("70012-other-story", mine)));
}

TEST(ChapterStore, AStoreThatCannotBeCreatedFailsAtOnce) {
    TempDir root;
    WriteFile(root.file("file"), "x");
    EXPECT_THROW(ChapterStore(root.file("file"), "1"), OSError);
}

}  // namespace
}  // namespace quill::test
