#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Errors.h"

namespace quill {

// One edition of a story's book as it was saved.
struct LibraryBook {
    std::string format;    // "pdf" or "epub"
    std::string path;      // where it was saved
    std::string chapters;  // the chapters it holds, as the book records them ("1-12,14")
    // A digest of everything the book was made from; empty when it is not known (a book
    // found on disk). Equal digests mean a new build would make the same book.
    std::string inputs;
    int64_t size = -1;        // the file's size and modification time when it was saved,
    int64_t modifiedNs = -1;  // so a book changed or replaced since is told apart
    int volume = 0;           // the volume it holds; 0: the whole story
};

// What the library knows about one story.
struct LibraryStory {
    uint64_t number = 0;  // the story's number on the site: the library's key
    std::string address;  // the story's own address ("origin/story/N")
    std::string title;    // empty until the story page has been read
    std::string author;
    std::string language;                // the site's language tag; empty when not known
    int chaptersKept = 0;                // chapters kept in the chapter store
    std::optional<int> chaptersOnSite;   // at the last check; nothing before the first one
    std::optional<int64_t> lastChecked;  // seconds since 1970 (UTC)
    std::optional<int64_t> lastUpdated;  // when it last got new chapters
    std::string outcome;  // "complete", "incomplete", "failed", "stopped"; empty: not checked
    std::string outcomeMessage;      // the cause, in the words the job used
    std::vector<LibraryBook> books;  // by format, then volume
    // The kind of book last made of it (page, text size, dark pages, ragged text, volumes),
    // in the words of BookChoicesText; empty: the defaults.
    std::string choices;

    // Chapters on the site that are not kept; nothing before the first check.
    std::optional<int> NewWaiting() const;
    // The book of that format and volume, when one is recorded.
    const LibraryBook* Book(const std::string& format, int volume = 0) const;
    void PutBook(LibraryBook book);  // replaces the book of its format and volume
};

// Why the library cannot be opened, read or written; the message names the file.
class ELibraryError : public Exception {
  public:
    using Exception::Exception;
};

namespace sqlite {
class Connection;
class Error;
}  // namespace sqlite

// The library on disk: a SQLite database in write-ahead-log mode. Every change is one
// transaction, so another program reading it at the same time sees the state before the
// change or after it, never a part; a program killed in the middle of a change leaves the
// state before it. A wait for another program's change is bounded by `busyTimeout`; past
// it the operation throws. One object per thread.
class Library {
  public:
    using FirstScan = std::function<std::vector<LibraryStory>()>;
    static constexpr std::chrono::milliseconds kBusyTimeout{5000};

    // Opens the library at path, creating the file when it is missing. The first time a
    // library is opened, the stories `firstScan` finds on disk (kept before there was a
    // library) join it, exactly once even when two programs open it at the same moment.
    // Throws ELibraryError when the file cannot be used (not a database, made by a newer
    // version, no permission, busy for too long).
    explicit Library(const std::string& path, const FirstScan& firstScan = {},
                     std::chrono::milliseconds busyTimeout = kBusyTimeout);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Every story, least recently checked first (never checked before all), then by number.
    std::vector<LibraryStory> Stories() const;
    std::optional<LibraryStory> Find(uint64_t number) const;

    // Reads the story (a fresh one with only its number when it is not in the library),
    // hands it to `change`, and writes it back when `change` returns true: all in one
    // transaction, so no other change comes in between.
    void Change(uint64_t number,
                const std::function<bool(LibraryStory& story, bool known)>& change);
    // Removes the story and its books' records (never the books).
    void Remove(uint64_t number);

    const std::string& path() const { return path_; }

  private:
    [[noreturn]] void Fail(const sqlite::Error& failure) const;
    void Prepare(const FirstScan& firstScan, std::chrono::milliseconds busyTimeout);

    std::string path_;
    std::unique_ptr<sqlite::Connection> db_;
};

}  // namespace quill
