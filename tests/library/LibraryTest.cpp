// The library on disk with other programs at the same time: readers see whole changes, a
// killed writer leaves the state before its change, and the first opening joins what was
// on disk exactly once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "library/Library.h"
#include "support/TempDir.h"

namespace quill::test {
namespace {

using namespace std::chrono_literals;

LibraryStory Story(uint64_t number, int chapters) {
    LibraryStory story;
    story.number = number;
    story.address = "https://www.quillby.com/story/" + std::to_string(number);
    story.title = "Tale " + std::to_string(number);
    story.chaptersKept = chapters;
    story.chaptersOnSite = chapters;
    LibraryBook book;
    book.format = "pdf";
    book.path = "/books/Tale.pdf";
    book.chapters = "1-" + std::to_string(chapters);
    story.PutBook(book);
    return story;
}

// Runs `body` in a child process; returns its pid.
template <class F>
pid_t InChild(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            body();
        } catch (const std::exception& e) {
            fprintf(stderr, "child: %s\n", e.what());
            status = 1;
        } catch (...) {
            status = 1;
        }
        ::_exit(status);
    }
    return pid;
}

int ExitOf(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class LibraryTest : public ::testing::Test {
  protected:
    std::string path() const { return dir_.file("library.sqlite"); }
    TempDir dir_{"library"};
};

TEST_F(LibraryTest, AChangeKeepsWhatItDoesNotTouchAndRemovalTakesTheBooks) {
    Library library(path());
    library.Change(7001, [](LibraryStory& story, bool known) {
        EXPECT_FALSE(known);
        story = Story(7001, 3);
        return true;
    });
    library.Change(7001, [](LibraryStory& story, bool known) {
        EXPECT_TRUE(known);
        story.chaptersKept = 4;
        LibraryBook epub;
        epub.format = "epub";
        epub.path = "/books/Tale.epub";
        story.PutBook(epub);
        return true;
    });
    library.Change(7002, [](LibraryStory&, bool) { return false; });  // nothing written

    const std::vector<LibraryStory> stories = Library(path()).Stories();
    ASSERT_EQ(stories.size(), 1u);
    EXPECT_EQ(stories[0].title, "Tale 7001");
    EXPECT_EQ(stories[0].chaptersKept, 4);
    EXPECT_EQ(stories[0].NewWaiting(), std::optional<int>(0));
    ASSERT_EQ(stories[0].books.size(), 2u);
    EXPECT_EQ(stories[0].Book("pdf")->chapters, "1-3");
    EXPECT_EQ(stories[0].Book("epub")->path, "/books/Tale.epub");

    library.Remove(7001);
    EXPECT_FALSE(library.Find(7001));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM books", -1, &count, nullptr);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 0);
    sqlite3_finalize(count);
    sqlite3_close(db);
}

// Two programs open a library that does not exist yet at the same moment: what was on disk
// joins it once, and a program opening it later does not scan again.
TEST_F(LibraryTest, TheFirstScanJoinsOnceWhenTwoProgramsOpenItTogether) {
    const std::string scans = dir_.file("scans");
    const auto open = [&] {
        Library library(path(), [&] {
            WriteFile(scans + "." + std::to_string(::getpid()), "");
            std::this_thread::sleep_for(300ms);  // both are scanning now
            return std::vector<LibraryStory>{Story(1001, 5), Story(1002, 2)};
        });
    };
    const pid_t first = InChild(open), second = InChild(open);
    EXPECT_EQ(ExitOf(first), 0);
    EXPECT_EQ(ExitOf(second), 0);

    bool scannedAgain = false;
    Library later(path(), [&] {
        scannedAgain = true;
        return std::vector<LibraryStory>{Story(1003, 1)};
    });
    EXPECT_FALSE(scannedAgain);
    const std::vector<LibraryStory> stories = later.Stories();
    ASSERT_EQ(stories.size(), 2u);
    EXPECT_EQ(stories[0].books.size(), 1u);
    EXPECT_EQ(stories[1].books.size(), 1u);
}

// A reader in another process while a writer changes a story and its book many times: the
// story's count and its book's record always agree, as each change is one transaction.
TEST_F(LibraryTest, AReaderSeesTheStateBeforeOrAfterEachChangeNeverAMix) {
    Library(path()).Change(7001, [](LibraryStory& story, bool) {
        story = Story(7001, 0);
        return true;
    });
    const pid_t writer = InChild([&] {
        Library library(path());
        for (int n = 1; n <= 300; ++n) {
            library.Change(7001, [n](LibraryStory& story, bool) {
                story = Story(7001, n);
                return true;
            });
        }
    });
    Library reader(path());
    int reads = 0, last = 0;
    for (int status = 0; ::waitpid(writer, &status, WNOHANG) == 0; ++reads) {
        const std::optional<LibraryStory> story = reader.Find(7001);
        ASSERT_TRUE(story);
        ASSERT_EQ(story->books.size(), 1u);
        ASSERT_EQ(story->books[0].chapters, "1-" + std::to_string(story->chaptersKept));
        ASSERT_GE(story->chaptersKept, last);
        last = story->chaptersKept;
    }
    EXPECT_GT(reads, 10);
    EXPECT_EQ(reader.Find(7001)->chaptersKept, 300);
}

// A writer killed in the middle of its change leaves the state before it, and the library
// opens and takes changes again.
TEST_F(LibraryTest, AWriterKilledInTheMiddleOfAChangeLeavesTheStateBeforeIt) {
    Library(path()).Change(7001, [](LibraryStory& story, bool) {
        story = Story(7001, 3);
        return true;
    });
    const std::string inside = dir_.file("inside");
    const pid_t writer = InChild([&] {
        Library library(path());
        library.Change(7001, [&](LibraryStory& story, bool) {
            story = Story(7001, 9);
            story.books.clear();
            WriteFile(inside, "");
            std::this_thread::sleep_for(60s);  // killed here, with the write lock held
            return true;
        });
    });
    while (::access(inside.c_str(), F_OK) != 0) {
        std::this_thread::sleep_for(10ms);
    }
    ::kill(writer, SIGKILL);
    EXPECT_EQ(ExitOf(writer), -SIGKILL);

    Library library(path());
    const std::optional<LibraryStory> story = library.Find(7001);
    ASSERT_TRUE(story);
    EXPECT_EQ(story->chaptersKept, 3);
    EXPECT_EQ(story->books.size(), 1u);
    library.Change(7001, [](LibraryStory& s, bool) {
        s.chaptersKept = 4;
        return true;
    });
    EXPECT_EQ(library.Find(7001)->chaptersKept, 4);
}

// A writer that holds the library longer than the wait allows: the other one gives up
// within its bound with a message that names the file, and readers are not held up.
TEST_F(LibraryTest, AWaitForAnotherWriterIsBounded) {
    Library(path()).Change(7001, [](LibraryStory& story, bool) {
        story = Story(7001, 3);
        return true;
    });
    const std::string inside = dir_.file("inside");
    const pid_t writer = InChild([&] {
        Library library(path());
        library.Change(7001, [&](LibraryStory&, bool) {
            WriteFile(inside, "");
            std::this_thread::sleep_for(3s);
            return true;
        });
    });
    while (::access(inside.c_str(), F_OK) != 0) {
        std::this_thread::sleep_for(10ms);
    }
    Library library(path(), {}, 300ms);
    EXPECT_EQ(library.Find(7001)->chaptersKept, 3);
    const auto start = std::chrono::steady_clock::now();
    try {
        library.Change(7001, [](LibraryStory&, bool) { return true; });
        ADD_FAILURE() << "the change did not wait for the other writer";
    } catch (const ELibraryError& busy) {
        EXPECT_NE(std::string(busy.what()).find(path() + "\" is busy"), std::string::npos)
            << busy.what();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2s);
    EXPECT_EQ(ExitOf(writer), 0);
}

TEST_F(LibraryTest, AFileThatIsNoLibraryIsNamedAndLeftAlone) {
    WriteFile(path(), std::string(4096, 'x'));
    try {
        Library library(path());
        ADD_FAILURE() << "opened a file that is no database";
    } catch (const ELibraryError& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "The library \"" + path() + "\" cannot be used: file is not a database.");
    }
    EXPECT_EQ(ReadFile(path()), std::string(4096, 'x'));
}

// A library the previous version wrote keeps its stories and books, each book its story's
// whole one, and takes volumes and choices from then on, without scanning the disk again.
TEST_F(LibraryTest, ALibraryOfTheEarlierLayoutIsKeptWholeAndTakesVolumes) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE stories(number INTEGER PRIMARY KEY, address TEXT NOT NULL,
  title TEXT NOT NULL DEFAULT '', author TEXT NOT NULL DEFAULT '',
  language TEXT NOT NULL DEFAULT '', chapters_kept INTEGER NOT NULL DEFAULT 0,
  chapters_on_site INTEGER, last_checked INTEGER, last_updated INTEGER,
  outcome TEXT NOT NULL DEFAULT '', outcome_message TEXT NOT NULL DEFAULT '');
CREATE TABLE books(story INTEGER NOT NULL REFERENCES stories(number) ON DELETE CASCADE,
  format TEXT NOT NULL, path TEXT NOT NULL, chapters TEXT NOT NULL DEFAULT '',
  inputs TEXT NOT NULL DEFAULT '', size INTEGER NOT NULL DEFAULT -1,
  modified_ns INTEGER NOT NULL DEFAULT -1, PRIMARY KEY(story, format));
INSERT INTO meta VALUES('scanned', '1');
INSERT INTO stories(number, address, title, chapters_kept) VALUES(7001, 'a', 'Old Tale', 3);
INSERT INTO books VALUES(7001, 'pdf', '/books/Old Tale.pdf', '1-3', 'digest', 10, 20);
PRAGMA user_version = 1;
)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);

    Library library(path(), [] {
        ADD_FAILURE() << "scanned again";
        return std::vector<LibraryStory>{};
    });
    library.Change(7001, [](LibraryStory& story, bool known) {
        EXPECT_TRUE(known);
        EXPECT_EQ(story.title, "Old Tale");
        EXPECT_EQ(story.choices, "");
        const LibraryBook* whole = story.Book("pdf");
        EXPECT_TRUE(whole != nullptr && whole->inputs == "digest" && whole->size == 10);
        story.choices = "page=phone volume=2";
        for (const int volume : {2, 1}) {
            LibraryBook book;
            book.format = "pdf";
            book.volume = volume;
            book.path = "/books/Old Tale — Volume " + std::to_string(volume) + ".pdf";
            story.PutBook(book);
        }
        return true;
    });
    const std::optional<LibraryStory> story = Library(path()).Find(7001);
    ASSERT_TRUE(story);
    EXPECT_EQ(story->choices, "page=phone volume=2");
    ASSERT_EQ(story->books.size(), 3u);
    EXPECT_EQ(story->books[0].path, "/books/Old Tale.pdf");
    EXPECT_EQ(story->books[1].volume, 1);
    EXPECT_EQ(story->Book("pdf", 2)->path, "/books/Old Tale — Volume 2.pdf");
}

}  // namespace
}  // namespace quill::test
