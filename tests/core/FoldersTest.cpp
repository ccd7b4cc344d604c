// Where a user's books, work folder and kept chapters live, and what happens without them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "core/Folders.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

namespace fs = std::filesystem;

// Points HOME and the XDG folders at a private place for one test.
class FoldersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            if (const char* value = std::getenv(name)) {
                saved_.emplace_back(name, value);
            }
            unsetenv(name);
        }
        setenv("HOME", home_.path().c_str(), 1);
    }
    void TearDown() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            unsetenv(name);
        }
        for (const auto& [name, value] : saved_) {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }

    TempDir home_{"Zoë home"};
    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(FoldersTest, AreMadeBelowDocumentsAndTheDataFolder) {
    const JobFolders folders = PrepareFolders("Quillby Downloader");
    EXPECT_EQ(folders.datadir, home_.path() + "/Documents/Inkvale/Quillby Downloader/");
    EXPECT_EQ(folders.tmpdir, folders.datadir + "tmp");
    EXPECT_EQ(folders.logfile, folders.tmpdir + "/run.log");
    EXPECT_TRUE(fs::is_directory(folders.tmpdir));
    EXPECT_EQ(folders.store, home_.path() + "/.local/share/Quillby Downloader/stories");
    EXPECT_TRUE(fs::is_directory(folders.store));
    EXPECT_EQ(folders.library, home_.path() + "/.local/share/Quillby Downloader/library.sqlite");
    EXPECT_EQ(folders.renderCache, home_.path() + "/.cache/quillby/render");
    EXPECT_TRUE(folders.storeProblem.empty());
}

TEST_F(FoldersTest, FollowTheDesktopsDocumentsFolder) {
    fs::create_directories(home_.file(".config"));
    WriteFile(home_.file(".config/user-dirs.dirs"),
              "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(PrepareFolders("Q").datadir, home_.path() + "/Dokumente/Inkvale/Q/");
}

TEST_F(FoldersTest, WithoutAUsableDocumentsFolderNothingIsWritten) {
    WriteFile(home_.file("Documents"), "a file where the folder should be");
    try {
        PrepareFolders("Q");
        FAIL() << "no error";
    } catch (const EDataFolderError& problem) {
        EXPECT_STREQ(problem.what(), ("Cannot save books in the Documents folder \"" +
                                      home_.path() + "/Documents\": it is a file, not a folder.")
                                         .c_str());
    }
    EXPECT_EQ(ListDir(home_.path()), std::vector<std::string>{"Documents"});

    unsetenv("HOME");
    EXPECT_THROW(PrepareFolders("Q"), EDataFolderError);
}

TEST(ClearDir, DeletesOnlyDottedFilesAtTopLevel) {
    TempDir dir("work");
    for (const char* name : {"run.log", "3.html", "._3.html.Ab12Cd.part", "keep"}) {
        WriteFile(dir.file(name), "x");
    }
    fs::create_directory(dir.file("sub.d"));
    ClearDir(dir.path());
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"keep", "sub.d"}));
}

}  // namespace
}  // namespace quill::test
