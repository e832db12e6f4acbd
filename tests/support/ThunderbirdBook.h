#pragma once

// A Thunderbird address book as the mail program keeps it: one row per card property.
#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace mailmoat::test {

// Writes `file` with the properties table and the rows of `values` ("('card', 'name',
// 'value'), ..."); returns whether SQLite took it.
inline bool WriteThunderbirdBook(const std::filesystem::path& file, const std::string& values) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  const std::string sql =
      "CREATE TABLE properties (card TEXT, name TEXT, value TEXT);"
      "INSERT INTO properties VALUES " +
      values + ";";
  const bool written = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return written;
}

}  // namespace mailmoat::test
