#pragma once

// A thin owner of SQLite's handles: the connection and its statements are closed by their
// destructors, and every failure becomes an exception with SQLite's own message.

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace quill::sqlite {

// A failed SQLite call: its result code and message.
class Error : public std::runtime_error {
  public:
    Error(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }
    bool busy() const { return (code_ & 0xFF) == SQLITE_BUSY || (code_ & 0xFF) == SQLITE_LOCKED; }

  private:
    int code_;
};

class Connection {
  public:
    // Opens (or creates) the database file; waits for other connections' locks up to
    // busyTimeout.
    Connection(const std::string& path, std::chrono::milliseconds busyTimeout);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs statements that return no rows.
    void Execute(const char* sql);
    sqlite3* get() const { return db_; }
    [[noreturn]] void Throw(int code) const;

  private:
    sqlite3* db_ = nullptr;
};

class Statement {
  public:
    Statement(Connection& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, const std::string& text);
    Statement& Bind(int index, int64_t number);
    Statement& Bind(int index, const std::optional<int64_t>& number);
    // True while it gives a row; false once it is done.
    bool Step();
    void Run() { Step(); }
    void Reset();

    std::string Text(int column) const;
    int64_t Number(int column) const;
    std::optional<int64_t> OptionalNumber(int column) const;

  private:
    Connection& db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A transaction that is rolled back unless committed. `write`: it takes the write lock at
// once (BEGIN IMMEDIATE), so a read followed by a write can never find the data changed
// under it.
class Transaction {
  public:
    Transaction(Connection& db, bool write);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Connection& db_;
    bool open_ = true;
};

}  // namespace quill::sqlite
