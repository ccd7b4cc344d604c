#include "library/Library.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "Sqlite.h"

namespace quill {

namespace {

// The layout this program writes. A library of a later layout is left alone. Layout 2
// records each story's book choices and a book per volume.
constexpr int64_t kLayout = 2;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS stories(
  number INTEGER PRIMARY KEY,
  address TEXT NOT NULL,
  title TEXT NOT NULL DEFAULT '',
  author TEXT NOT NULL DEFAULT '',
  language TEXT NOT NULL DEFAULT '',
  chapters_kept INTEGER NOT NULL DEFAULT 0,
  chapters_on_site INTEGER,
  last_checked INTEGER,
  last_updated INTEGER,
  outcome TEXT NOT NULL DEFAULT '',
  outcome_message TEXT NOT NULL DEFAULT '',
  choices TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS books(
  story INTEGER NOT NULL REFERENCES stories(number) ON DELETE CASCADE,
  format TEXT NOT NULL,
  path TEXT NOT NULL,
  chapters TEXT NOT NULL DEFAULT '',
  inputs TEXT NOT NULL DEFAULT '',
  size INTEGER NOT NULL DEFAULT -1,
  modified_ns INTEGER NOT NULL DEFAULT -1,
  volume INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(story, format, volume));
)";

// From layout 1: the stories get their choices (the defaults), each book is its story's
// whole book. SQLite cannot change a primary key in place, so the books move to a new table.
constexpr const char* kFromLayout1 = R"(
ALTER TABLE stories ADD COLUMN choices TEXT NOT NULL DEFAULT '';
CREATE TABLE books_by_volume(
  story INTEGER NOT NULL REFERENCES stories(number) ON DELETE CASCADE,
  format TEXT NOT NULL,
  path TEXT NOT NULL,
  chapters TEXT NOT NULL DEFAULT '',
  inputs TEXT NOT NULL DEFAULT '',
  size INTEGER NOT NULL DEFAULT -1,
  modified_ns INTEGER NOT NULL DEFAULT -1,
  volume INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(story, format, volume));
INSERT INTO books_by_volume(story, format, path, chapters, inputs, size, modified_ns)
  SELECT story, format, path, chapters, inputs, size, modified_ns FROM books;
DROP TABLE books;
ALTER TABLE books_by_volume RENAME TO books;
)";

constexpr const char* kStoryColumns =
    "number, address, title, author, language, chapters_kept, chapters_on_site, last_checked, "
    "last_updated, outcome, outcome_message, choices";

LibraryStory ReadStory(const sqlite::Statement& row) {
    LibraryStory story;
    story.number = static_cast<uint64_t>(row.Number(0));
    story.address = row.Text(1);
    story.title = row.Text(2);
    story.author = row.Text(3);
    story.language = row.Text(4);
    story.chaptersKept = static_cast<int>(row.Number(5));
    if (const auto onSite = row.OptionalNumber(6)) {
        story.chaptersOnSite = static_cast<int>(*onSite);
    }
    story.lastChecked = row.OptionalNumber(7);
    story.lastUpdated = row.OptionalNumber(8);
    story.outcome = row.Text(9);
    story.outcomeMessage = row.Text(10);
    story.choices = row.Text(11);
    return story;
}

LibraryBook ReadBook(const sqlite::Statement& row) {
    LibraryBook book;
    book.format = row.Text(1);
    book.path = row.Text(2);
    book.chapters = row.Text(3);
    book.inputs = row.Text(4);
    book.size = row.Number(5);
    book.modifiedNs = row.Number(6);
    book.volume = static_cast<int>(row.Number(7));
    return book;
}

// The stories with `where` (a condition on the stories table, or empty), with their books.
std::vector<LibraryStory> Select(sqlite::Connection& db, const std::string& where,
                                 std::optional<int64_t> number) {
    std::vector<LibraryStory> stories;
    std::map<uint64_t, size_t> byNumber;
    {
        const std::string sql = std::string("SELECT ") + kStoryColumns + " FROM stories " + where +
                                " ORDER BY last_checked IS NOT NULL, last_checked, number";
        sqlite::Statement select(db, sql.c_str());
        if (number) {
            select.Bind(1, *number);
        }
        while (select.Step()) {
            stories.push_back(ReadStory(select));
            byNumber[stories.back().number] = stories.size() - 1;
        }
    }
    const std::string sql =
        "SELECT story, format, path, chapters, inputs, size, modified_ns, volume FROM books " +
        std::string(number ? "WHERE story = ?1 " : "") + "ORDER BY story, format, volume";
    sqlite::Statement books(db, sql.c_str());
    if (number) {
        books.Bind(1, *number);
    }
    while (books.Step()) {
        const auto found = byNumber.find(static_cast<uint64_t>(books.Number(0)));
        if (found != byNumber.end()) {
            stories[found->second].books.push_back(ReadBook(books));
        }
    }
    return stories;
}

void Write(sqlite::Connection& db, const LibraryStory& story) {
    sqlite::Statement upsert(db, R"(
INSERT INTO stories(number, address, title, author, language, chapters_kept, chapters_on_site,
                    last_checked, last_updated, outcome, outcome_message, choices)
VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)
ON CONFLICT(number) DO UPDATE SET
  address = excluded.address, title = excluded.title, author = excluded.author,
  language = excluded.language, chapters_kept = excluded.chapters_kept,
  chapters_on_site = excluded.chapters_on_site, last_checked = excluded.last_checked,
  last_updated = excluded.last_updated, outcome = excluded.outcome,
  outcome_message = excluded.outcome_message, choices = excluded.choices)");
    const auto number = static_cast<int64_t>(story.number);
    upsert.Bind(1, number)
        .Bind(2, story.address)
        .Bind(3, story.title)
        .Bind(4, story.author)
        .Bind(5, story.language)
        .Bind(6, static_cast<int64_t>(story.chaptersKept))
        .Bind(7,
              story.chaptersOnSite ? std::optional<int64_t>(*story.chaptersOnSite) : std::nullopt)
        .Bind(8, story.lastChecked)
        .Bind(9, story.lastUpdated)
        .Bind(10, story.outcome)
        .Bind(11, story.outcomeMessage)
        .Bind(12, story.choices)
        .Run();
    sqlite::Statement clear(db, "DELETE FROM books WHERE story = ?1");
    clear.Bind(1, number).Run();
    sqlite::Statement insert(db,
                             "INSERT INTO books(story, format, path, chapters, inputs, size, "
                             "modified_ns, volume) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const LibraryBook& book : story.books) {
        insert.Bind(1, number)
            .Bind(2, book.format)
            .Bind(3, book.path)
            .Bind(4, book.chapters)
            .Bind(5, book.inputs)
            .Bind(6, book.size)
            .Bind(7, book.modifiedNs)
            .Bind(8, static_cast<int64_t>(book.volume))
            .Run();
        insert.Reset();
    }
}

bool Scanned(sqlite::Connection& db) {
    sqlite::Statement select(db, "SELECT value FROM meta WHERE key = 'scanned'");
    return select.Step();
}

int64_t Layout(sqlite::Connection& db) {
    sqlite::Statement version(db, "PRAGMA user_version");
    return version.Step() ? version.Number(0) : 0;
}

}  // namespace

std::optional<int> LibraryStory::NewWaiting() const {
    if (!chaptersOnSite) {
        return std::nullopt;
    }
    return std::max(0, *chaptersOnSite - chaptersKept);
}

const LibraryBook* LibraryStory::Book(const std::string& format, int volume) const {
    for (const LibraryBook& book : books) {
        if (book.format == format && book.volume == volume) {
            return &book;
        }
    }
    return nullptr;
}

void LibraryStory::PutBook(LibraryBook book) {
    books.erase(std::remove_if(books.begin(), books.end(),
                               [&](const LibraryBook& b) {
                                   return b.format == book.format && b.volume == book.volume;
                               }),
                books.end());
    books.push_back(std::move(book));
    std::sort(books.begin(), books.end(), [](const LibraryBook& a, const LibraryBook& b) {
        return a.format != b.format ? a.format < b.format : a.volume < b.volume;
    });
}

Library::Library(const std::string& path, const FirstScan& firstScan,
                 std::chrono::milliseconds busyTimeout)
    : path_(path) {
    try {
        db_ = std::make_unique<sqlite::Connection>(path, busyTimeout);
        Prepare(firstScan, busyTimeout);
    } catch (const sqlite::Error& failure) {
        Fail(failure);
    }
}

Library::~Library() = default;

void Library::Fail(const sqlite::Error& failure) const {
    if (failure.busy()) {
        throw ELibraryError("The library \"" + path_ +
                            "\" is busy: another program has been changing it for too long.");
    }
    throw ELibraryError("The library \"" + path_ + "\" cannot be used: " + failure.what() + ".");
}

namespace {

// Two programs switching a new library to the write-ahead log at the same moment would each
// wait for the other's lock, so SQLite answers one of them "busy" at once instead of waiting.
// That one tries again, within the same bound as any other wait.
void SwitchToWal(sqlite::Connection& db, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        try {
            db.Execute("PRAGMA journal_mode = WAL");
            return;
        } catch (const sqlite::Error& failure) {
            if (!failure.busy() || std::chrono::steady_clock::now() >= deadline) {
                throw;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

void Library::Prepare(const FirstScan& firstScan, std::chrono::milliseconds busyTimeout) {
    // Readers never wait for a writer, and a writer's change reaches them whole. Where the
    // file system cannot share the log's index, SQLite keeps its rollback journal, which
    // gives the same guarantee with waits.
    std::string journal;
    {
        sqlite::Statement mode(*db_, "PRAGMA journal_mode");
        journal = mode.Step() ? mode.Text(0) : "";
    }
    if (journal != "wal") {
        SwitchToWal(*db_, busyTimeout);
    }
    db_->Execute("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
    bool current = false, scanned = false;
    {
        sqlite::Transaction look(*db_, false);
        const int64_t layout = Layout(*db_);
        if (layout > kLayout) {
            throw sqlite::Error(SQLITE_ERROR, "it was made by a newer version of the program");
        }
        scanned = layout >= 1 && Scanned(*db_);
        current = layout == kLayout && scanned;
        look.Commit();
    }
    if (current) {
        return;
    }
    // The scan reads the disk outside the transaction, so other programs are not kept
    // waiting; only the first program to write its result counts. An older layout that was
    // scanned only needs its tables changed.
    std::vector<LibraryStory> found =
        firstScan && !scanned ? firstScan() : std::vector<LibraryStory>{};
    sqlite::Transaction create(*db_, true);
    // Another program may have changed the layout meanwhile.
    if (Layout(*db_) == 1) {
        db_->Execute(kFromLayout1);
    }
    db_->Execute(kSchema);
    db_->Execute("PRAGMA user_version = 2");
    if (!Scanned(*db_)) {
        for (const LibraryStory& story : found) {
            sqlite::Statement known(*db_, "SELECT 1 FROM stories WHERE number = ?1");
            if (!known.Bind(1, static_cast<int64_t>(story.number)).Step()) {
                Write(*db_, story);
            }
        }
        db_->Execute("INSERT INTO meta(key, value) VALUES('scanned', '1')");
    }
    create.Commit();
}

std::vector<LibraryStory> Library::Stories() const {
    try {
        sqlite::Transaction read(*db_, false);
        std::vector<LibraryStory> stories = Select(*db_, "", std::nullopt);
        read.Commit();
        return stories;
    } catch (const sqlite::Error& failure) {
        Fail(failure);
    }
}

std::optional<LibraryStory> Library::Find(uint64_t number) const {
    try {
        sqlite::Transaction read(*db_, false);
        std::vector<LibraryStory> found =
            Select(*db_, "WHERE number = ?1", static_cast<int64_t>(number));
        read.Commit();
        if (found.empty()) {
            return std::nullopt;
        }
        return std::move(found.front());
    } catch (const sqlite::Error& failure) {
        Fail(failure);
    }
}

void Library::Change(uint64_t number,
                     const std::function<bool(LibraryStory& story, bool known)>& change) {
    try {
        sqlite::Transaction write(*db_, true);
        std::vector<LibraryStory> found =
            Select(*db_, "WHERE number = ?1", static_cast<int64_t>(number));
        const bool known = !found.empty();
        LibraryStory story = known ? std::move(found.front()) : LibraryStory{};
        story.number = number;
        if (change(story, known)) {
            story.number = number;
            Write(*db_, story);
            write.Commit();
        }
    } catch (const sqlite::Error& failure) {
        Fail(failure);
    }
}

void Library::Remove(uint64_t number) {
    try {
        sqlite::Transaction write(*db_, true);
        sqlite::Statement remove(*db_, "DELETE FROM stories WHERE number = ?1");
        remove.Bind(1, static_cast<int64_t>(number)).Run();
        write.Commit();
    } catch (const sqlite::Error& failure) {
        Fail(failure);
    }
}

}  // namespace quill
