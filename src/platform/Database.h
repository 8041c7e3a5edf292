#pragma once

#include <QString>
#include <QVariant>

#include <chrono>
#include <memory>

namespace brivane::platform {

// What a statement gave back. A select's row set is positioned on its first
// row; an insert's or an update's is closed from the start.
class RowSet {
 public:
  virtual ~RowSet() = default;
  virtual bool IsOpen() const = 0;
  // True when the row set has no current row. Throws DatabaseError when closed.
  virtual bool Eof() const = 0;
  // The named column (any letter case) of the current row: a null QVariant,
  // a qlonglong, a double or a QString. Throws DatabaseError when there is no
  // current row or no such column.
  virtual QVariant Field(const QString& name) const = 0;
  virtual void Close() = 0;
};

// Held while a table is locked against other connections; released on destruction.
class TableLock {
 public:
  virtual ~TableLock() = default;
};

// An open folder of tables seen as one database. One thread at a time.
class Database {
 public:
  virtual ~Database() = default;
  // Runs one statement whose values are all written into its text. Throws
  // DatabaseError when it is refused; rows written before the failure stay.
  virtual std::unique_ptr<RowSet> Execute(const QString& sql) = 0;
  // Locks the table against every other connection, waiting at most `wait`
  // for one that holds it; throws DatabaseError when the wait runs out.
  virtual std::unique_ptr<TableLock> Lock(const QString& table, std::chrono::milliseconds wait) = 0;
  // Returns once every row written so far is on disk; throws DatabaseError
  // when the system cannot make it so.
  virtual void Sync() = 0;
};

// Opens databases from connection strings.
class DatabaseProvider {
 public:
  virtual ~DatabaseProvider() = default;
  // Throws DatabaseError when the database cannot be opened.
  virtual std::unique_ptr<Database> Open(const QString& connectionString) = 0;
};

}  // namespace brivane::platform
