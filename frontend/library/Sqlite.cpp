#include "Sqlite.h"

namespace quill::sqlite {

Connection::Connection(const std::string& path, std::chrono::milliseconds busyTimeout) {
    const int code = sqlite3_open_v2(
        path.c_str(), &db_,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX,
        nullptr);
    if (code != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw Error(code, message);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busyTimeout.count()));
}

Connection::~Connection() {
    sqlite3_close_v2(db_);
}

void Connection::Throw(int code) const {
    throw Error(code, sqlite3_errmsg(db_));
}

void Connection::Execute(const char* sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw Error(code, text);
    }
}

Statement::Statement(Connection& db, const char* sql) : db_(db) {
    const int code = sqlite3_prepare_v2(db.get(), sql, -1, &statement_, nullptr);
    if (code != SQLITE_OK) {
        db.Throw(code);
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

Statement& Statement::Bind(int index, const std::string& text) {
    const int code = sqlite3_bind_text(statement_, index, text.data(),
                                       static_cast<int>(text.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK) {
        db_.Throw(code);
    }
    return *this;
}

Statement& Statement::Bind(int index, int64_t number) {
    const int code = sqlite3_bind_int64(statement_, index, number);
    if (code != SQLITE_OK) {
        db_.Throw(code);
    }
    return *this;
}

Statement& Statement::Bind(int index, const std::optional<int64_t>& number) {
    if (number) {
        return Bind(index, *number);
    }
    const int code = sqlite3_bind_null(statement_, index);
    if (code != SQLITE_OK) {
        db_.Throw(code);
    }
    return *this;
}

bool Statement::Step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    db_.Throw(code);
}

void Statement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::string Statement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text != nullptr
               ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
               : std::string();
}

int64_t Statement::Number(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::optional<int64_t> Statement::OptionalNumber(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return Number(column);
}

Transaction::Transaction(Connection& db, bool write) : db_(db) {
    db_.Execute(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
    if (open_) {
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::Commit() {
    db_.Execute("COMMIT");
    open_ = false;
}

}  // namespace quill::sqlite
