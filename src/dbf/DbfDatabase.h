#pragma once

#include "dbf/DbfTable.h"
#include "dbf/KeyIndex.h"
#include "dbf/TableCache.h"
#include "dbf/Transaction.h"
#include "platform/Database.h"
#include "platform/DatabaseError.h"
#include "platform/os/File.h"

#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace brivane::dbf {

// A folder of dBASE tables seen as one database: SQLite parses and runs the
// statements on an in-memory connection where every .dbf file of the folder
// is a virtual table (SqliteModule). This class keeps what the virtual tables
// share: the tables, their readers, their key indexes, the locks and the
// posting under way with its commit through the rollback journal.
class DbfDatabase final : public platform::Database {
 public:
  using milliseconds = std::chrono::milliseconds;

  // Undoes a commit that a dead connection left half-done, then reads every
  // table's columns. Throws DatabaseError.
  DbfDatabase(const QString& folder, milliseconds writeWait);
  ~DbfDatabase() override;
  DbfDatabase(const DbfDatabase&) = delete;
  DbfDatabase& operator=(const DbfDatabase&) = delete;

  std::unique_ptr<platform::RowSet> Execute(const QString& sql) override;
  std::unique_ptr<platform::TableLock> Lock(const QString& table, milliseconds wait) override;
  void Begin(const QStringList& tables, milliseconds wait) override;
  void Commit() override;
  void Rollback() noexcept override;

  // For the virtual tables.
  std::size_t tableCount() const { return tables_.size(); }
  const TableInfo& table(std::size_t index) const { return tables_[index]; }
  // Keeps the error for Execute to throw whole, and tells SQLite.
  int Fail(sqlite3_vtab* vtab, const platform::DatabaseError& error);
  // The connection's reader of the table.
  DbfTable& Reader(std::size_t index) {
    return cache_.Reader(tables_[index], index, PendingOf(index) != nullptr);
  }
  // What the posting under way wrote into the table, if it holds it.
  Pending* PendingOf(std::size_t index) {
    if (!tx_) {
      return nullptr;
    }
    const auto it = tx_->tables.find(index);
    return it == tx_->tables.end() ? nullptr : &it->second;
  }
  // A statement is about to write the table: the table joins the posting
  // under way, or a posting of the statement's own.
  void StatementBegins(std::size_t index);
  // The statement failed: what it wrote is forgotten.
  void StatementFailed(std::size_t index);
  // The statement succeeded: a posting of its own is committed (may throw).
  void StatementCommit();
  // The statement is over.
  void StatementEnds();

  // The index of one text column, brought up to date with the table as the
  // cursor sees it (`count` records, the file's first `fileCount`): the first
  // lookup of a column reads the table once and indexes it as it goes.
  KeyIndex* IndexFor(std::size_t table, int field, DbfTable& reader, Pending* pending,
                     int fileCount, int count);
  // Keeps the indexes of a table right as this connection writes record n.
  void Wrote(std::size_t table, const DbfTable& reader, int n, const QByteArray& record);
  void Distrust(std::size_t table);

 private:
  [[noreturn]] void Refused() const;
  std::optional<std::size_t> Find(const QString& name) const;
  std::string FolderPath() const { return SystemPath(folder_); }
  Pending& Take(std::size_t index, milliseconds wait);
  // Undoes the commit a dead connection left half-done; the caller holds the
  // journal's tables, or none and then they are taken here (passed over when
  // a live posting holds them: its own commit removes the journal).
  void Recover(bool tablesHeld, milliseconds wait);
  void WriteAll();
  void End() noexcept;

  QString folder_;
  sqlite3* db_ = nullptr;
  std::vector<TableInfo> tables_;
  std::optional<platform::DatabaseError> pending_;
  std::shared_ptr<std::set<QString>> held_ = std::make_shared<std::set<QString>>();
  milliseconds writeWait_;
  std::optional<Transaction> tx_;
  TableCache cache_;
  std::map<std::pair<std::size_t, int>, KeyIndex> indexes_;  // by table and column
};

// A failed system call on a table as the error the user reads, in French;
// `outcome` says what became of the posting.
platform::DatabaseError FromSystem(const os::Error& e, const QString& table,
                                   const QString& outcome);

}  // namespace brivane::dbf
