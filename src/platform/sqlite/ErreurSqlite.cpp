#include "platform/sqlite/ErreurSqlite.h"

#include <sqlite3.h>

namespace brivane::platform::sqlite {

ErreurSqlite ErreurSqlite::De(sqlite3* db, int code) {
  if (db == nullptr) {
    return {code, 0, QString::fromUtf8(sqlite3_errstr(code))};
  }
  return {code, sqlite3_system_errno(db), QString::fromUtf8(sqlite3_errmsg(db))};
}

}  // namespace brivane::platform::sqlite
