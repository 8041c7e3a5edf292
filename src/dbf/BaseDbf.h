#pragma once

#include "dbf/CacheTables.h"
#include "dbf/IndexCles.h"
#include "dbf/InstructionsPreparees.h"
#include "dbf/TableDbf.h"
#include "dbf/Transaction.h"
#include "platform/BaseDonnees.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"

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

struct Journal;

// A folder of dBASE tables seen as one database: SQLite parses and runs the
// statements on an in-memory connection where every .dbf file of the folder
// is a virtual table (ModuleSqlite). This class keeps what the virtual tables
// share: the tables, their readers, their key indexes, the locks and the
// posting under way with its commit through the rollback journal.
class BaseDbf final : public platform::BaseDonnees {
 public:
  using milliseconds = std::chrono::milliseconds;

  // Undoes a commit that a dead connection left half-done, then reads every
  // table's columns. Every write, sync, rename and removal of the connection
  // goes through `fichiers`, which outlives it. Throws ErreurBaseDonnees.
  BaseDbf(os::SystemeFichiers& fichiers, const QString& folder, milliseconds writeWait);
  ~BaseDbf() override;
  BaseDbf(const BaseDbf&) = delete;
  BaseDbf& operator=(const BaseDbf&) = delete;

  std::unique_ptr<platform::JeuLignes> Execute(const QString& sql) override;
  std::unique_ptr<platform::VerrouTable> Lock(const QString& table, milliseconds wait) override;
  void Begin(const QStringList& tables, milliseconds wait) override;
  void Commit() override;
  void Rollback() noexcept override;
  // Whether a text is run through the statement compiled for its shape (the
  // default) or compiled on its own.
  void CompilerParForme(bool actif) { parForme_ = actif; }

  // For the virtual tables.
  std::size_t tableCount() const { return tables_.size(); }
  const InfoTable& table(std::size_t index) const { return tables_[index]; }
  // Keeps the error for Execute to throw whole, and tells SQLite.
  int Fail(sqlite3_vtab* vtab, const platform::ErreurBaseDonnees& error) noexcept;
  // The connection's reader of the table.
  TableDbf& Reader(std::size_t index) {
    return cache_.Reader(tables_[index], index, PendingOf(index) != nullptr);
  }
  // What the posting under way wrote into the table, if it holds it.
  EcrituresEnAttente* PendingOf(std::size_t index) {
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
  IndexCles* IndexFor(std::size_t table, int field, TableDbf& reader, EcrituresEnAttente* pending,
                      int fileCount, int count);
  // Keeps the indexes of a table right as this connection writes record n.
  void Wrote(std::size_t table, const TableDbf& reader, int n, const QByteArray& record);
  void Distrust(std::size_t table);

 private:
  [[noreturn]] void Refused() const;
  std::optional<std::size_t> Find(const QString& name) const;
  std::string FolderPath() const { return CheminSysteme(folder_); }
  EcrituresEnAttente& Take(std::size_t index, milliseconds wait);
  // Undoes the commit a dead connection left half-done; the caller holds the
  // journal's tables, or none and then they are taken here (passed over when
  // a live posting holds them: its own commit removes the journal).
  void Recover(bool tablesHeld, milliseconds wait);
  // The commit, phase by phase: the tables it changes, in lock order; what
  // they are now (checked against what the posting read); that snapshot made
  // durable as the journal; then the posting written over the tables.
  using TablesChangees = std::vector<std::pair<std::size_t, EcrituresEnAttente*>>;
  TablesChangees Changees();
  Journal Instantane(const TablesChangees& changed) const;
  void EcrireJournalSaisie(const TablesChangees& changed, const Journal& journal) const;
  void Appliquer(const TablesChangees& changed, const Journal& journal);
  void WriteAll();
  void End() noexcept;

  os::SystemeFichiers& fichiers_;
  QString folder_;
  sqlite3* db_ = nullptr;
  std::vector<InfoTable> tables_;
  std::optional<platform::ErreurBaseDonnees> pending_;
  std::shared_ptr<std::set<QString>> held_ = std::make_shared<std::set<QString>>();
  milliseconds writeWait_;
  std::optional<Transaction> tx_;
  CacheTables cache_;
  std::map<std::pair<std::size_t, int>, IndexCles> indexes_;  // by table and column
  std::unique_ptr<InstructionsPreparees> preparees_;
  FormeInstruction forme_;  // the last text's, its room kept for the next
  bool parForme_ = true;
  bool vraiFauxLibres_ = true;  // no column is named true or false
};

// A failed system call on a table as the error the user reads, in French;
// `outcome` says what became of the posting.
platform::ErreurBaseDonnees FromSystem(const os::ErreurOs& e, const QString& table,
                                       const QString& outcome);

// The refusal when another posting holds `table`.
QString Occupied(const QString& table);

// Said of a posting undone whole.
inline const QString kNothingWritten = QStringLiteral("Rien de cette saisie n'a été écrit.");

// What tells a table file apart from one put in its place.
inline IndexCles::Stamp StampOf(const QString& path) {
  return os::IdentiteChemin(CheminSysteme(path));
}

}  // namespace brivane::dbf
