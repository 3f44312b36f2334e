// The little of SQLite's C interface the history uses, owned: a connection and its statements,
// each closed or finalized when it goes out of scope.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine {

struct SqliteClose {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

// A prepared statement. Errors are SQLite's result codes, kept for the caller to judge.
class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql) {
    result_ =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // SQLITE_OK once prepared, else the preparation's error.
  int Prepared() const { return result_; }

  void Bind(int index, std::int64_t value) { sqlite3_bind_int64(statement_, index, value); }
  void Bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }
  template <typename T>
  void Bind(int index, const std::optional<T>& value) {
    if (value) {
      Bind(index, *value);
    } else {
      sqlite3_bind_null(statement_, index);
    }
  }
  void BindNull(int index) { sqlite3_bind_null(statement_, index); }
  void BindBlob(int index, const void* bytes, int size) {
    sqlite3_bind_blob(statement_, index, bytes, size, SQLITE_TRANSIENT);
  }

  // SQLITE_ROW, SQLITE_DONE or an error; a statement that never prepared gives its error.
  int Step() { return statement_ == nullptr ? result_ : sqlite3_step(statement_); }
  // Runs to the end: SQLITE_DONE or an error. Ready to be bound and run again afterwards.
  int Run() {
    int result = Step();
    while (result == SQLITE_ROW) result = Step();
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return result;
  }

  // A column as an integer, nullopt unless it holds one (NULL, a text, a blob or a real).
  std::optional<std::int64_t> Integer(int column) const {
    if (sqlite3_column_type(statement_, column) != SQLITE_INTEGER) return std::nullopt;
    return sqlite3_column_int64(statement_, column);
  }
  // A column's bytes when it holds a BLOB, else nullopt.
  std::optional<std::string> Blob(int column) const {
    if (sqlite3_column_type(statement_, column) != SQLITE_BLOB) return std::nullopt;
    const void* bytes = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    if (bytes == nullptr) return std::string();
    return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
  }
  // A column as text, nullopt for NULL; a number is given as SQLite writes it.
  std::optional<std::string> Text(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    const unsigned char* text = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    if (text == nullptr) return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int result_ = SQLITE_OK;
};

}  // namespace kestrine
