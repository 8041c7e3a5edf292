#include "platform/SqliteDbfProvider.h"

#include "dbf/FileLock.h"
#include "dbf/Journal.h"
#include "dbf/KeyIndex.h"
#include "platform/DatabaseError.h"
#include "platform/DbfTable.h"
#include "platform/os/File.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <new>
#include <set>

namespace brivane::platform {

namespace {

using dbf::FileLock;
using dbf::KeyIndex;
using std::chrono::milliseconds;

constexpr int kHeaderSize = 32;
constexpr char kEndOfFile = 0x1A;

std::string SystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

KeyIndex::Stamp StampOf(const QString& path) { return os::IdentityOf(SystemPath(path)); }

struct TableInfo {
  QString name;
  QString path;
  std::vector<DbfField> fields;
};

std::uint32_t HeaderCount(const unsigned char* header) {
  return header[4] | (header[5] << 8) | (header[6] << 16) | (std::uint32_t{header[7]} << 24);
}
int HeaderLength(const unsigned char* header) { return header[8] | (header[9] << 8); }
int RecordLength(const unsigned char* header) { return header[10] | (header[11] << 8); }

// A table that the posting under way writes: locked, and what it has written
// so far, kept here until the commit.
struct Pending {
  std::unique_ptr<FileLock> lock;  // null when the connection's own Lock() holds the table
  std::unique_ptr<os::File> file;  // the handle to write with, when `lock` is null
  std::uint32_t count = 0;         // the header's record count when the table was taken
  int headerLength = 0;
  int recordLength = 1;
  QByteArray rows;                      // new records, one after the other
  std::map<int, QByteArray> rewritten;  // existing records, as they will be
  // Where the statement under way started, to undo it alone.
  qsizetype statementRows = 0;
  std::map<int, QByteArray> statementRewritten;

  os::File& io() { return lock ? lock->file() : *file; }
  int added() const { return static_cast<int>(rows.size() / recordLength); }
  int total() const { return static_cast<int>(count) + added(); }
  bool changed() const { return !rows.isEmpty() || !rewritten.empty(); }
};

struct Transaction {
  bool implicit = false;  // one statement's, outside Begin
  std::map<std::size_t, Pending> tables;
};

class SqliteDbfDatabase;

struct Vtab {
  sqlite3_vtab base{};
  SqliteDbfDatabase* database = nullptr;
  std::size_t index = 0;
};

struct Cursor {
  sqlite3_vtab_cursor base{};
  DbfTable* table = nullptr;  // the connection's reader, shared
  Pending* pending = nullptr;
  int fileCount = 0;
  int row = 0;
  int count = 0;
  QByteArray record;
  int filterField = -1;
  QByteArray filterValue;  // in the table's code page, trailing blanks dropped
  bool indexed = false;    // rows come from `candidates` rather than every record
  std::vector<int> candidates;
  std::size_t nextCandidate = 0;
};

// Record n as this connection sees it: the file's, or what its posting wrote.
QByteArrayView RecordAt(DbfTable& table, Pending* pending, int fileCount, int n) {
  if (pending != nullptr) {
    if (n >= fileCount) {
      const qsizetype at = static_cast<qsizetype>(n - fileCount) * pending->recordLength;
      return QByteArrayView(pending->rows).sliced(at, pending->recordLength);
    }
    if (const auto it = pending->rewritten.find(n); it != pending->rewritten.end()) {
      return QByteArrayView(it->second);
    }
  }
  return table.recordView(n);
}

QString TrimmedRight(QString text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == u' ') {
    --end;
  }
  text.truncate(end);
  return text;
}

class MaterializedRowSet final : public RowSet {
 public:
  MaterializedRowSet() = default;  // closed
  MaterializedRowSet(QStringList names, QVariantList values, bool hasRow)
      : open_(true), hasRow_(hasRow), names_(std::move(names)), values_(std::move(values)) {}

  bool IsOpen() const override { return open_; }
  bool Eof() const override {
    RequireOpen();
    return !hasRow_;
  }
  QVariant Field(const QString& name) const override {
    RequireOpen();
    if (!hasRow_) {
      throw DatabaseError(DatabaseError::kNoRow,
                          QStringLiteral("Aucune ligne ne donne la colonne %1.").arg(name));
    }
    for (qsizetype i = 0; i < names_.size(); ++i) {
      if (names_[i].compare(name, Qt::CaseInsensitive) == 0) {
        return values_[i];
      }
    }
    throw DatabaseError(DatabaseError::kNoColumn,
                        QStringLiteral("La colonne %1 est absente du résultat.").arg(name));
  }
  void Close() override { open_ = false; }

 private:
  void RequireOpen() const {
    if (!open_) {
      throw DatabaseError(DatabaseError::kNoRow, QStringLiteral("Le jeu de lignes est fermé."));
    }
  }

  bool open_ = false;
  bool hasRow_ = false;
  QStringList names_;
  QVariantList values_;
};

class HeldLock final : public TableLock {
 public:
  HeldLock(std::unique_ptr<FileLock> lock, std::weak_ptr<std::set<QString>> held, QString key)
      : lock_(std::move(lock)), held_(std::move(held)), key_(std::move(key)) {}
  ~HeldLock() override {
    if (const auto held = held_.lock()) {
      held->erase(key_);
    }
  }

 private:
  std::unique_ptr<FileLock> lock_;
  std::weak_ptr<std::set<QString>> held_;
  QString key_;
};

[[noreturn]] void CannotOpen(const QString& why) {
  throw DatabaseError(DatabaseError::kCannotOpen, why);
}

class SqliteDbfDatabase final : public Database {
 public:
  SqliteDbfDatabase(const QString& folder, milliseconds writeWait);
  ~SqliteDbfDatabase() override;
  SqliteDbfDatabase(const SqliteDbfDatabase&) = delete;
  SqliteDbfDatabase& operator=(const SqliteDbfDatabase&) = delete;

  std::unique_ptr<RowSet> Execute(const QString& sql) override;
  std::unique_ptr<TableLock> Lock(const QString& table, milliseconds wait) override;
  void Begin(const QStringList& tables, milliseconds wait) override;
  void Commit() override;
  void Rollback() noexcept override;

  // For the virtual tables.
  std::size_t tableCount() const { return tables_.size(); }
  const TableInfo& table(std::size_t index) const { return tables_[index]; }
  int Fail(sqlite3_vtab* vtab, const DatabaseError& error) {
    pending_ = error;
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", error.what());
    return SQLITE_ERROR;
  }
  // The connection's reader of the table, opened once and kept while the
  // file is unchanged; within a posting that holds the table, kept as is.
  DbfTable& Reader(std::size_t index);
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
  // The statement is over: a posting of its own is committed.
  void StatementEnds();
  void StatementCommit();

  // The index of one text column, brought up to date with the table as the
  // cursor sees it; nothing on the first lookup of a column, which reads the
  // table anyway and may be the only one.
  KeyIndex* IndexFor(std::size_t table, int field, const Cursor& cursor);
  // Keeps the indexes of a table right as this connection writes record n.
  void Wrote(std::size_t table, const DbfTable& reader, int n, const QByteArray& record);
  void Distrust(std::size_t table) {
    for (auto& [key, column] : indexes_) {
      if (key.first == table) {
        column.index.Forget();
      }
    }
  }

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
  std::optional<DatabaseError> pending_;
  std::shared_ptr<std::set<QString>> held_ = std::make_shared<std::set<QString>>();
  milliseconds writeWait_;
  std::optional<Transaction> tx_;
  struct CachedReader {
    std::unique_ptr<DbfTable> table;
    KeyIndex::Stamp stamp;
  };
  std::map<std::size_t, CachedReader> readers_;
  struct ColumnIndex {
    int lookups = 0;
    KeyIndex index;
  };
  std::map<std::pair<std::size_t, int>, ColumnIndex> indexes_;
};

// Opens the table and checks it still has the columns declared.
std::unique_ptr<DbfTable> OpenDeclared(const TableInfo& info) {
  auto table = DbfTable::Open(info.path, DbfTable::Mode::Read);
  if (table->fields() != info.fields) {
    throw DatabaseError(
        DatabaseError::kCorruptTable,
        QStringLiteral("Les colonnes de la table %1 ont changé depuis l'ouverture du dossier.")
            .arg(info.name));
  }
  return table;
}

DbfTable& SqliteDbfDatabase::Reader(std::size_t index) {
  CachedReader& cached = readers_[index];
  if (cached.table && PendingOf(index) != nullptr) {
    return *cached.table;  // locked: nobody else writes it
  }
  const KeyIndex::Stamp stamp = StampOf(tables_[index].path);
  if (!cached.table || !stamp || cached.stamp != stamp) {
    cached.table.reset();
    // The stamp is taken before the file is read: a write that comes during
    // the reading leaves the reader out of date, never wrongly current.
    cached.table = OpenDeclared(tables_[index]);
    cached.stamp = stamp;
  }
  return *cached.table;
}

KeyIndex* SqliteDbfDatabase::IndexFor(std::size_t table, int field, const Cursor& cursor) {
  ColumnIndex& column = indexes_[{table, field}];
  if (++column.lookups == 1) {
    return nullptr;
  }
  KeyIndex& index = column.index;
  const KeyIndex::Stamp stamp = StampOf(tables_[table].path);
  if (!index.current(stamp) || index.indexed() > cursor.count) {
    index.Clear();
  }
  for (int n = index.indexed(); n < cursor.count; ++n) {
    const QByteArrayView record = RecordAt(*cursor.table, cursor.pending, cursor.fileCount, n);
    index.Add(cursor.table->storedText(record, field), n);
  }
  index.Seen(stamp);
  return &index;
}

void SqliteDbfDatabase::Wrote(std::size_t table, const DbfTable& reader, int n,
                              const QByteArray& record) {
  for (auto& [key, column] : indexes_) {
    if (key.first != table) {
      continue;
    }
    KeyIndex& index = column.index;
    if (n <= index.indexed()) {
      // A rewritten record keeps its old entry too: lookups check every record they get.
      index.Add(reader.storedText(QByteArrayView(record), key.second), n);
    } else {
      index.Forget();
    }
  }
}

std::optional<std::size_t> SqliteDbfDatabase::Find(const QString& name) const {
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (tables_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return std::nullopt;
}

QString Occupied(const QString& table) {
  return QStringLiteral("La table %1 est occupée par une autre saisie ; réessayez dans un moment.")
      .arg(table);
}

// A failed system call on a table, in the user's words.
DatabaseError FromSystem(const os::Error& e, const QString& table, const QString& outcome) {
  switch (e.kind()) {
    case os::Error::Kind::NoSpace:
      return DatabaseError(
          DatabaseError::kInputOutput,
          QStringLiteral("Le disque est plein : la table %1 n'a pas pu être enregistrée. %2")
              .arg(table, outcome));
    case os::Error::Kind::AccessDenied:
      return DatabaseError(
          DatabaseError::kCannotOpen,
          QStringLiteral("La table %1 est en lecture seule. %2").arg(table, outcome));
    case os::Error::Kind::NotFound:
      return DatabaseError(DatabaseError::kCannotOpen,
                           QStringLiteral("La table %1 est introuvable. %2").arg(table, outcome));
    default:
      return DatabaseError(
          DatabaseError::kInputOutput,
          QStringLiteral("La table %1 n'a pas pu être lue ou enregistrée sur le disque (erreur "
                         "système %2). %3")
              .arg(table, QString::number(e.code()), outcome));
  }
}

const QString kNothingWritten = QStringLiteral("Rien de cette saisie n'a été écrit.");

Pending& SqliteDbfDatabase::Take(std::size_t index, milliseconds wait) {
  if (Pending* pending = PendingOf(index)) {
    return *pending;
  }
  const TableInfo& info = tables_[index];
  Pending p;
  try {
    if (held_->count(info.name.toLower()) > 0) {
      p.file = os::File::Open(SystemPath(info.path), os::File::Mode::ReadWrite);
    } else {
      p.lock = FileLock::Take(SystemPath(info.path), wait);
      if (!p.lock) {
        throw DatabaseError(DatabaseError::kLocked, Occupied(info.name));
      }
    }
    unsigned char header[kHeaderSize] = {};
    if (p.io().ReadAt(0, header, kHeaderSize) != kHeaderSize) {
      throw DatabaseError(
          DatabaseError::kCorruptTable,
          QStringLiteral("La table %1 est endommagée : l'en-tête est incomplet.").arg(info.name));
    }
    if (header[28] != 0) {
      throw DatabaseError(
          DatabaseError::kIndexedTable,
          QStringLiteral("La table %1 a un index de production (.mdx) que ce programme ne sait pas "
                         "tenir à jour : aucune ligne n'y a été écrite.")
              .arg(QFileInfo(info.path).fileName()));
    }
    p.count = HeaderCount(header);
    p.headerLength = HeaderLength(header);
    p.recordLength = std::max(1, RecordLength(header));
  } catch (const os::Error& e) {
    throw FromSystem(e, info.name, kNothingWritten);
  }
  Pending& taken = tx_->tables.emplace(index, std::move(p)).first->second;
  try {
    // Read again now that no one else may write it, and checked against its columns.
    readers_.erase(index);
    if (Reader(index).recordCount() != static_cast<int>(taken.count)) {
      throw DatabaseError(DatabaseError::kChangedMeanwhile,
                          QStringLiteral("La table %1 change pendant sa lecture. %2")
                              .arg(info.name, kNothingWritten));
    }
  } catch (...) {
    tx_->tables.erase(index);
    throw;
  }
  return taken;
}

void SqliteDbfDatabase::Begin(const QStringList& names, milliseconds wait) {
  if (tx_) {
    throw DatabaseError(DatabaseError::kStatementRefused,
                        QStringLiteral("Une saisie est déjà en cours sur cette connexion."));
  }
  std::vector<std::size_t> wanted;
  for (const QString& name : names) {
    if (const auto index = Find(name)) {
      wanted.push_back(*index);
    }
  }
  // A journal left by a dead connection names the tables to lock as well.
  std::optional<dbf::Journal> journal;
  try {
    journal = dbf::ReadJournal(FolderPath());
  } catch (const os::Error& e) {
    throw FromSystem(e, QString::fromUtf8(dbf::Journal::kFileName), kNothingWritten);
  }
  if (journal) {
    for (const dbf::JournalTable& t : journal->tables) {
      if (const auto index = Find(QFileInfo(QString::fromUtf8(t.file)).completeBaseName())) {
        wanted.push_back(*index);
      }
    }
  }
  // One order for every posting, so that two of them never wait for each other.
  std::sort(wanted.begin(), wanted.end(), [this](std::size_t a, std::size_t b) {
    return tables_[a].name.toLower() < tables_[b].name.toLower();
  });
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  tx_.emplace();
  try {
    for (const std::size_t index : wanted) {
      Take(index, wait);
    }
    if (journal) {
      Recover(true, wait);
    }
  } catch (...) {
    End();
    throw;
  }
}

void SqliteDbfDatabase::Recover(bool tablesHeld, milliseconds wait) {
  const std::string folder = FolderPath();
  std::vector<std::unique_ptr<FileLock>> locks;
  try {
    auto journal = dbf::ReadJournal(folder);
    if (!journal) {
      return;
    }
    if (!tablesHeld) {
      std::vector<std::string> files;
      for (const dbf::JournalTable& t : journal->tables) {
        files.push_back(t.file);
      }
      std::sort(files.begin(), files.end());
      for (const std::string& file : files) {
        auto lock = FileLock::Take(folder + "/" + file, wait);
        if (!lock) {
          return;  // a live posting's: it removes its journal itself
        }
        locks.push_back(std::move(lock));
      }
      journal = dbf::ReadJournal(folder);
      if (!journal) {
        return;
      }
    }
    dbf::RollBack(folder, *journal);
  } catch (const dbf::JournalConflict& c) {
    throw DatabaseError(
        DatabaseError::kChangedMeanwhile,
        QStringLiteral("Le dossier contient le journal %1 d'une saisie interrompue, mais la table "
                       "%2 a été modifiée depuis par un autre programme : ce programme ne la "
                       "remet pas en état lui-même. Rien n'a été changé.")
            .arg(QString::fromUtf8(dbf::Journal::kFileName), QString::fromUtf8(c.file)));
  } catch (const os::Error& e) {
    throw FromSystem(e, QString::fromUtf8(e.path()),
                     QStringLiteral("La saisie interrompue n'a pas pu être défaite."));
  }
  for (auto& [index, reader] : readers_) {
    reader.table.reset();
  }
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    Distrust(i);
  }
}

void SqliteDbfDatabase::WriteAll() {
  std::vector<std::pair<std::size_t, Pending*>> changed;
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      changed.emplace_back(index, &pending);
    }
  }
  if (changed.empty()) {
    return;
  }
  std::sort(changed.begin(), changed.end(), [this](const auto& a, const auto& b) {
    return tables_[a.first].name.toLower() < tables_[b.first].name.toLower();
  });

  // What each table is now, checked against what the posting read.
  dbf::Journal journal;
  for (auto& [index, p] : changed) {
    const TableInfo& info = tables_[index];
    try {
      dbf::JournalTable t;
      t.file = SystemPath(QFileInfo(info.path).fileName());
      os::File& file = p->io();
      t.originalSize = file.Size();
      if (file.ReadAt(0, t.originalHeader.data(), kHeaderSize) != kHeaderSize ||
          HeaderCount(t.originalHeader.data()) != p->count ||
          HeaderLength(t.originalHeader.data()) != p->headerLength ||
          RecordLength(t.originalHeader.data()) != p->recordLength) {
        throw DatabaseError(
            DatabaseError::kChangedMeanwhile,
            QStringLiteral("La table %1 a été modifiée par un autre programme pendant la saisie. "
                           "%2")
                .arg(info.name, kNothingWritten));
      }
      t.finalCount = static_cast<std::uint32_t>(p->total());
      t.tailOffset = static_cast<std::uint64_t>(p->headerLength) +
                     std::uint64_t{p->count} * static_cast<std::uint64_t>(p->recordLength);
      if (!p->rows.isEmpty() && t.originalSize > t.tailOffset) {
        const auto covered = static_cast<std::size_t>(std::min<std::uint64_t>(
            t.originalSize - t.tailOffset, static_cast<std::uint64_t>(p->rows.size()) + 1));
        t.tail.resize(covered);
        t.tail.resize(file.ReadAt(t.tailOffset, t.tail.data(), covered));
      }
      for (const auto& [n, bytes] : p->rewritten) {
        std::string original(static_cast<std::size_t>(p->recordLength), '\0');
        file.ReadAt(static_cast<std::uint64_t>(p->headerLength) +
                        static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(p->recordLength),
                    original.data(), original.size());
        t.records.emplace_back(static_cast<std::uint32_t>(n), std::move(original));
      }
      journal.tables.push_back(std::move(t));
    } catch (const os::Error& e) {
      throw FromSystem(e, info.name, kNothingWritten);
    }
  }

  const std::string folder = FolderPath();
  try {
    dbf::WriteJournal(folder, journal);
  } catch (const os::Error& e) {
    if (e.kind() == os::Error::Kind::Exists) {
      throw DatabaseError(DatabaseError::kLocked, Occupied(tables_[changed.front().first].name));
    }
    try {
      dbf::RemoveJournal(folder);
    } catch (const os::Error&) {
      // Left for the next connection, which finds it whole or cut short.
    }
    throw FromSystem(e, QString::fromUtf8(dbf::Journal::kFileName), kNothingWritten);
  }

  const QDate today = QDate::currentDate();
  QString current;
  try {
    // The new rows past the counted ones, marked deleted: readers that go by
    // the count and readers that go to the end mark both pass them over...
    for (std::size_t i = 0; i < changed.size(); ++i) {
      auto& [index, p] = changed[i];
      current = tables_[index].name;
      // A table that another program left without its end mark gets one.
      if (!p->rows.isEmpty() || journal.tables[i].originalSize <= journal.tables[i].tailOffset) {
        QByteArray bytes = p->rows;
        for (qsizetype at = 0; at < bytes.size(); at += p->recordLength) {
          bytes[at] = '*';
        }
        bytes.append(kEndOfFile);
        p->io().WriteAt(journal.tables[i].tailOffset, bytes.constData(),
                        static_cast<std::size_t>(bytes.size()));
        p->io().Sync();
      }
    }
    // ...then the rewritten records, the counts, and the new rows made live.
    for (std::size_t i = 0; i < changed.size(); ++i) {
      auto& [index, p] = changed[i];
      current = tables_[index].name;
      for (const auto& [n, bytes] : p->rewritten) {
        p->io().WriteAt(
            static_cast<std::uint64_t>(p->headerLength) +
                static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(p->recordLength),
            bytes.constData(), static_cast<std::size_t>(bytes.size()));
      }
      std::array<unsigned char, kHeaderSize> header = journal.tables[i].originalHeader;
      header[1] = static_cast<unsigned char>(today.year() - 1900);
      header[2] = static_cast<unsigned char>(today.month());
      header[3] = static_cast<unsigned char>(today.day());
      const auto total = static_cast<std::uint32_t>(p->total());
      for (int b = 0; b < 4; ++b) {
        header[4 + b] = static_cast<unsigned char>((total >> (8 * b)) & 0xFF);
      }
      p->io().WriteAt(0, header.data(), header.size());
      if (!p->rows.isEmpty()) {
        p->io().WriteAt(journal.tables[i].tailOffset, p->rows.constData(),
                        static_cast<std::size_t>(p->rows.size()));
      }
      p->io().Sync();
    }
    current = QString::fromUtf8(dbf::Journal::kFileName);
    dbf::RemoveJournal(folder);
  } catch (const os::Error& e) {
    QString outcome = kNothingWritten;
    try {
      dbf::RollBack(folder, journal);
    } catch (...) {
      outcome = QStringLiteral(
          "Rien de cette saisie ne sera gardé : elle sera défaite à la "
          "prochaine ouverture du dossier.");
    }
    throw FromSystem(e, current, outcome);
  }
}

void SqliteDbfDatabase::End() noexcept {
  if (!tx_) {
    return;
  }
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      readers_.erase(index);
    }
  }
  tx_.reset();  // releases the locks
}

void SqliteDbfDatabase::Commit() {
  if (!tx_) {
    return;
  }
  try {
    WriteAll();
  } catch (...) {
    Rollback();
    throw;
  }
  // The indexes hold the new rows under the numbers they now have in the file.
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      const KeyIndex::Stamp stamp = StampOf(tables_[index].path);
      for (auto& [key, column] : indexes_) {
        if (key.first == index) {
          column.index.Seen(stamp);
        }
      }
    }
  }
  End();
}

void SqliteDbfDatabase::Rollback() noexcept {
  if (!tx_) {
    return;
  }
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      Distrust(index);
    }
  }
  End();
}

void SqliteDbfDatabase::StatementBegins(std::size_t index) {
  if (!tx_) {
    tx_.emplace();
    tx_->implicit = true;
  }
  try {
    Pending& p = Take(index, writeWait_);
    p.statementRows = p.rows.size();
    p.statementRewritten = p.rewritten;
  } catch (...) {
    if (tx_->implicit) {
      End();
    }
    throw;
  }
}

void SqliteDbfDatabase::StatementFailed(std::size_t index) {
  if (!tx_) {
    return;
  }
  if (tx_->implicit) {
    Rollback();
    return;
  }
  if (Pending* p = PendingOf(index)) {
    if (p->rows.size() != p->statementRows || p->rewritten != p->statementRewritten) {
      p->rows.truncate(p->statementRows);
      p->rewritten = p->statementRewritten;
      Distrust(index);
    }
  }
}

void SqliteDbfDatabase::StatementCommit() {
  if (tx_ && tx_->implicit) {
    Commit();
  }
}

void SqliteDbfDatabase::StatementEnds() {
  if (tx_ && tx_->implicit) {
    End();
  }
}

QVariant FromSqlite(sqlite3_value* value, const TableInfo& info, std::size_t field) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return qlonglong{sqlite3_value_int64(value)};
    case SQLITE_FLOAT:
      return sqlite3_value_double(value);
    case SQLITE_TEXT:
      return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                               sqlite3_value_bytes(value));
    default:
      throw DatabaseError(DatabaseError::kValueDoesNotFit,
                          QStringLiteral("La colonne %1 de la table %2 ne reçoit pas de valeur "
                                         "binaire.")
                              .arg(info.fields[field].name, info.name));
  }
}

template <typename F>
int Guard(sqlite3_vtab* vtab, F&& body) noexcept {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  try {
    return body(v);
  } catch (const DatabaseError& e) {
    return v->database->Fail(vtab, e);
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (const std::exception& e) {
    try {
      return v->database->Fail(
          vtab, DatabaseError(DatabaseError::kInputOutput, QString::fromUtf8(e.what())));
    } catch (...) {
      return SQLITE_ERROR;
    }
  } catch (...) {
    return SQLITE_ERROR;
  }
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** error) noexcept {
  auto* database = static_cast<SqliteDbfDatabase*>(aux);
  if (argc != 4 || argv[3] == nullptr) {
    *error = sqlite3_mprintf("table sans argument");
    return SQLITE_ERROR;
  }
  char* end = nullptr;
  const unsigned long index = std::strtoul(argv[3], &end, 10);
  if (end == argv[3] || *end != '\0' || index >= database->tableCount()) {
    *error = sqlite3_mprintf("table inconnue");
    return SQLITE_ERROR;
  }
  try {
    const TableInfo& info = database->table(index);
    QString ddl = QStringLiteral("CREATE TABLE x(");
    for (std::size_t i = 0; i < info.fields.size(); ++i) {
      QString name = info.fields[i].name;
      ddl += (i == 0 ? QString() : QStringLiteral(",")) + u'"' +
             name.replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    ddl += u')';
    const int rc = sqlite3_declare_vtab(db, ddl.toUtf8().constData());
    if (rc != SQLITE_OK) {
      *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
      return rc;
    }
    // Reached only by statements written for it, never from a view or a trigger.
    sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
    auto* vtab = new Vtab;
    vtab->database = database;
    vtab->index = index;
    *out = &vtab->base;
    return SQLITE_OK;
  } catch (...) {
    return SQLITE_NOMEM;
  }
}

int Disconnect(sqlite3_vtab* vtab) noexcept {
  delete reinterpret_cast<Vtab*>(vtab);
  return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) noexcept {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  const TableInfo& table = v->database->table(v->index);
  info->idxNum = 0;
  info->estimatedCost = 1000000;
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& c = info->aConstraint[i];
    if (c.usable && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.iColumn >= 0 &&
        static_cast<std::size_t>(c.iColumn) < table.fields.size() &&
        table.fields[static_cast<std::size_t>(c.iColumn)].type == 'C') {
      // Text keys compare our way (trailing blanks aside), so the filter is ours alone.
      info->idxNum = c.iColumn + 1;
      info->aConstraintUsage[i].argvIndex = 1;
      info->aConstraintUsage[i].omit = 1;
      info->estimatedCost = 1000;
      break;
    }
  }
  return SQLITE_OK;
}

int Open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) noexcept {
  return Guard(vtab, [&](Vtab*) {
    *out = &(new Cursor)->base;
    return SQLITE_OK;
  });
}

int Close(sqlite3_vtab_cursor* cursor) noexcept {
  delete reinterpret_cast<Cursor*>(cursor);
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* base) noexcept {
  return Guard(base->pVtab, [&](Vtab*) {
    auto* c = reinterpret_cast<Cursor*>(base);
    // Compared as stored: the code pages we know give one byte per character.
    const auto matches = [c](QByteArrayView record) {
      return !DbfTable::IsDeleted(record) &&
             (c->filterField < 0 || c->table->storedText(record, c->filterField) == c->filterValue);
    };
    if (c->indexed) {
      while (c->nextCandidate < c->candidates.size()) {
        const int n = c->candidates[c->nextCandidate++];
        if (n < c->count) {
          const QByteArrayView record = RecordAt(*c->table, c->pending, c->fileCount, n);
          if (matches(record)) {
            c->row = n;
            c->record = record.toByteArray();
            return SQLITE_OK;
          }
        }
      }
      c->row = c->count;
      return SQLITE_OK;
    }
    for (++c->row; c->row < c->count; ++c->row) {
      const QByteArrayView record = RecordAt(*c->table, c->pending, c->fileCount, c->row);
      if (matches(record)) {
        c->record = record.toByteArray();
        break;
      }
    }
    return SQLITE_OK;
  });
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc,
           sqlite3_value** argv) noexcept {
  auto* c = reinterpret_cast<Cursor*>(base);
  auto* v = reinterpret_cast<Vtab*>(base->pVtab);
  const int result = Guard(base->pVtab, [&](Vtab*) {
    c->table = &v->database->Reader(v->index);
    c->pending = v->database->PendingOf(v->index);
    c->fileCount = c->table->recordCount();
    c->count = c->pending != nullptr ? c->pending->total() : c->fileCount;
    c->row = -1;
    c->filterField = -1;
    c->indexed = false;
    c->candidates.clear();
    if (idxNum <= 0 || argc != 1) {
      return SQLITE_OK;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
      c->row = c->count;  // nothing equals null
      return SQLITE_OK;
    }
    const auto encoded = c->table->encode(TrimmedRight(QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]))));
    if (!encoded) {
      c->row = c->count;  // a text the table cannot hold is in no row
      return SQLITE_OK;
    }
    c->filterField = idxNum - 1;
    c->filterValue = *encoded;
    if (KeyIndex* index = v->database->IndexFor(v->index, c->filterField, *c)) {
      c->indexed = true;
      c->candidates = index->Candidates(c->filterValue);
      c->nextCandidate = 0;
    }
    return SQLITE_OK;
  });
  if (result != SQLITE_OK || c->row >= c->count) {
    return result;
  }
  return Next(base);
}

int Eof(sqlite3_vtab_cursor* base) noexcept {
  const auto* c = reinterpret_cast<Cursor*>(base);
  return c->row >= c->count;
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column) noexcept {
  if (sqlite3_vtab_nochange(context)) {
    return SQLITE_OK;  // an update that leaves this column alone
  }
  return Guard(base->pVtab, [&](Vtab*) {
    const auto* c = reinterpret_cast<Cursor*>(base);
    if (column < 0 || static_cast<std::size_t>(column) >= c->table->fields().size()) {
      sqlite3_result_null(context);
      return SQLITE_OK;
    }
    const QVariant value = c->table->value(c->record, column);
    switch (value.typeId()) {
      case QMetaType::LongLong:
        sqlite3_result_int64(context, value.toLongLong());
        break;
      case QMetaType::Double:
        sqlite3_result_double(context, value.toDouble());
        break;
      case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT);
        break;
      }
      default:
        sqlite3_result_null(context);
    }
    return SQLITE_OK;
  });
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) noexcept {
  *rowid = reinterpret_cast<Cursor*>(base)->row + 1;
  return SQLITE_OK;
}

int Begin(sqlite3_vtab* vtab) noexcept {
  return Guard(vtab, [&](Vtab* v) {
    v->database->StatementBegins(v->index);
    return SQLITE_OK;
  });
}

// A statement's own posting is committed here rather than in xCommit, whose
// failure SQLite would not report.
int Sync(sqlite3_vtab* vtab) noexcept {
  return Guard(vtab, [&](Vtab* v) {
    v->database->StatementCommit();
    return SQLITE_OK;
  });
}

int Commit(sqlite3_vtab* vtab) noexcept {
  reinterpret_cast<Vtab*>(vtab)->database->StatementEnds();
  return SQLITE_OK;
}

int Rollback(sqlite3_vtab* vtab) noexcept {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  v->database->StatementFailed(v->index);
  return SQLITE_OK;
}

int Update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* rowid) noexcept {
  return Guard(vtab, [&](Vtab* v) {
    const TableInfo& info = v->database->table(v->index);
    Pending* pending = v->database->PendingOf(v->index);
    if (pending == nullptr) {
      throw DatabaseError(
          DatabaseError::kInputOutput,
          QStringLiteral("La table %1 n'est pas ouverte en écriture.").arg(info.name));
    }
    if (argc == 1) {
      throw DatabaseError(
          DatabaseError::kUnsupported,
          QStringLiteral("Ce programme ne supprime aucune ligne de la table %1.").arg(info.name));
    }
    if (static_cast<std::size_t>(argc) != info.fields.size() + 2) {
      throw DatabaseError(
          DatabaseError::kUnsupported,
          QStringLiteral("La table %1 n'a pas le nombre de colonnes attendu.").arg(info.name));
    }
    DbfTable& reader = v->database->Reader(v->index);
    const bool insert = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    std::vector<std::optional<QVariant>> values(info.fields.size());
    for (std::size_t i = 0; i < info.fields.size(); ++i) {
      sqlite3_value* value = argv[i + 2];
      if (!insert && sqlite3_value_nochange(value)) {
        continue;
      }
      values[i] = FromSqlite(value, info, i);
    }
    if (insert) {
      if (sqlite3_value_type(argv[1]) != SQLITE_NULL) {
        throw DatabaseError(
            DatabaseError::kUnsupported,
            QStringLiteral("Le numéro de ligne de la table %1 ne se choisit pas.").arg(info.name));
      }
      const QByteArray record = reader.compose(values, nullptr);
      const int n = pending->total();
      pending->rows.append(record);
      v->database->Wrote(v->index, reader, n, record);
      *rowid = n + 1;
      return SQLITE_OK;
    }
    const sqlite3_int64 old = sqlite3_value_int64(argv[0]);
    if (sqlite3_value_int64(argv[1]) != old || old < 1 || old > pending->total()) {
      throw DatabaseError(
          DatabaseError::kUnsupported,
          QStringLiteral("Le numéro de ligne de la table %1 ne se change pas.").arg(info.name));
    }
    const int n = static_cast<int>(old - 1);
    const int fileCount = static_cast<int>(pending->count);
    const QByteArray base = RecordAt(reader, pending, fileCount, n).toByteArray();
    const QByteArray record = reader.compose(values, &base);
    if (n >= fileCount) {
      pending->rows.replace(static_cast<qsizetype>(n - fileCount) * pending->recordLength,
                            pending->recordLength, record);
    } else {
      pending->rewritten[n] = record;
    }
    v->database->Wrote(v->index, reader, n, record);
    return SQLITE_OK;
  });
}

sqlite3_module MakeModule() {
  sqlite3_module m{};
  m.iVersion = 1;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Disconnect;
  m.xOpen = Open;
  m.xClose = Close;
  m.xFilter = Filter;
  m.xNext = Next;
  m.xEof = Eof;
  m.xColumn = Column;
  m.xRowid = Rowid;
  m.xUpdate = Update;
  m.xBegin = Begin;
  m.xSync = Sync;
  m.xCommit = Commit;
  m.xRollback = Rollback;
  return m;
}

const sqlite3_module kModule = MakeModule();

// Lets through only what a posting runs: reading, adding and updating rows of
// the folder's tables. No deletes, no schema changes, no pragmas, no attached
// files, no functions but counting.
int Authorize(void*, int action, const char*, const char* name, const char*, const char*) noexcept {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      return name != nullptr && sqlite3_stricmp(name, "count") == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
      return SQLITE_DENY;
  }
}

SqliteDbfDatabase::SqliteDbfDatabase(const QString& folder, milliseconds writeWait)
    : folder_(folder), writeWait_(writeWait) {
  const QDir dir(folder);
  if (folder.isEmpty() || !dir.exists()) {
    CannotOpen(QStringLiteral("Le dossier %1 n'existe pas.").arg(folder));
  }
  folder_ = dir.absolutePath();
  std::map<QString, QString> seen;
  for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
    if (file.suffix().compare(QStringLiteral("dbf"), Qt::CaseInsensitive) != 0) {
      continue;
    }
    const QString name = file.completeBaseName();
    if (!seen.emplace(name.toLower(), name).second) {
      CannotOpen(
          QStringLiteral("Le dossier %1 contient deux tables nommées %2.").arg(folder, name));
    }
    tables_.push_back({name, file.absoluteFilePath(), {}});
  }
  if (tables_.empty()) {
    CannotOpen(QStringLiteral("Le dossier %1 ne contient aucune table dBASE.").arg(folder));
  }
  // A commit that a dead connection left half-done is undone before anything is read.
  Recover(false, writeWait_);
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    CachedReader& cached = readers_[i];
    cached.stamp = StampOf(tables_[i].path);
    cached.table = DbfTable::Open(tables_[i].path, DbfTable::Mode::Read);
    tables_[i].fields = cached.table->fields();
  }

  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
          SQLITE_OK ||
      sqlite3_create_module_v2(db_, "brivane_dbf", &kModule, this, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    CannotOpen(QStringLiteral("La base de données en mémoire ne peut pas être créée."));
  }
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    QString name = tables_[i].name;
    const QString create = QStringLiteral("CREATE VIRTUAL TABLE \"%1\" USING brivane_dbf(%2)")
                               .arg(name.replace(u'"', QStringLiteral("\"\"")), QString::number(i));
    char* error = nullptr;
    if (sqlite3_exec(db_, create.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
      const QString why = QString::fromUtf8(error);
      sqlite3_free(error);
      sqlite3_close(db_);
      db_ = nullptr;
      CannotOpen(
          QStringLiteral("La table %1 ne peut pas être ouverte : %2").arg(tables_[i].name, why));
    }
  }
  sqlite3_set_authorizer(db_, Authorize, nullptr);
}

SqliteDbfDatabase::~SqliteDbfDatabase() {
  Rollback();
  if (db_ != nullptr) {
    sqlite3_close(db_);
  }
}

// SQLite's own words for the refusals a company folder can cause, in French.
QString Explain(const QString& message) {
  static const QRegularExpression noTable(QStringLiteral("^no such table: (\\S+)$"));
  static const QRegularExpression noColumnNamed(
      QStringLiteral("^table (\\S+) has no column named (\\S+)$"));
  static const QRegularExpression noColumn(QStringLiteral("^no such column: (\\S+)$"));
  if (message.startsWith(QStringLiteral("not authorized"))) {
    return QStringLiteral(
        "Cette instruction n'est pas permise sur les tables du dossier : seules "
        "la lecture, l'ajout et la mise à jour de lignes le sont.");
  }
  if (const auto m = noTable.match(message); m.hasMatch()) {
    return QStringLiteral("La table %1 est absente du dossier.").arg(m.captured(1));
  }
  if (const auto m = noColumnNamed.match(message); m.hasMatch()) {
    return QStringLiteral("La table %1 n'a pas de colonne %2.").arg(m.captured(1), m.captured(2));
  }
  if (const auto m = noColumn.match(message); m.hasMatch()) {
    return QStringLiteral("La colonne %1 est absente de la table.").arg(m.captured(1));
  }
  return QStringLiteral("L'instruction a été refusée par la base de données : %1").arg(message);
}

void SqliteDbfDatabase::Refused() const {
  if (pending_) {
    throw *pending_;
  }
  throw DatabaseError(sqlite3_extended_errcode(db_),
                      Explain(QString::fromUtf8(sqlite3_errmsg(db_))));
}

std::unique_ptr<RowSet> SqliteDbfDatabase::Execute(const QString& sql) {
  pending_.reset();
  const QByteArray text = sql.toUtf8();
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &statement, &tail) !=
      SQLITE_OK) {
    Refused();
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(statement, sqlite3_finalize);
  if (statement == nullptr || !QByteArray(tail).trimmed().isEmpty()) {
    throw DatabaseError(DatabaseError::kStatementRefused,
                        QStringLiteral("Une seule instruction est permise à la fois."));
  }
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    Refused();
  }
  const int columns = sqlite3_column_count(statement);
  if (columns == 0) {
    return std::make_unique<MaterializedRowSet>();
  }
  QStringList names;
  QVariantList values;
  for (int i = 0; i < columns; ++i) {
    names << QString::fromUtf8(sqlite3_column_name(statement, i));
    if (rc != SQLITE_ROW) {
      continue;
    }
    switch (sqlite3_column_type(statement, i)) {
      case SQLITE_INTEGER:
        values << qlonglong{sqlite3_column_int64(statement, i)};
        break;
      case SQLITE_FLOAT:
        values << sqlite3_column_double(statement, i);
        break;
      case SQLITE_TEXT:
        values << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(statement, i)),
            sqlite3_column_bytes(statement, i));
        break;
      default:
        values << QVariant();
    }
  }
  return std::make_unique<MaterializedRowSet>(names, values, rc == SQLITE_ROW);
}

std::unique_ptr<TableLock> SqliteDbfDatabase::Lock(const QString& table, milliseconds wait) {
  const auto index = Find(table);
  if (!index) {
    throw DatabaseError(DatabaseError::kStatementRefused,
                        QStringLiteral("La table %1 est absente du dossier.").arg(table));
  }
  const TableInfo& info = tables_[*index];
  std::unique_ptr<FileLock> lock;
  try {
    lock = FileLock::Take(SystemPath(info.path), wait);
  } catch (const os::Error& e) {
    throw FromSystem(e, info.name, QString());
  }
  if (!lock) {
    throw DatabaseError(DatabaseError::kLocked, Occupied(info.name));
  }
  held_->insert(info.name.toLower());
  return std::make_unique<HeldLock>(std::move(lock), held_, info.name.toLower());
}

}  // namespace

std::unique_ptr<Database> SqliteDbfProvider::Open(const QString& connectionString) {
  static const QString kSource = QStringLiteral("Data Source=");
  const qsizetype at = connectionString.indexOf(kSource, 0, Qt::CaseInsensitive);
  if (at < 0) {
    CannotOpen(QStringLiteral("La chaîne de connexion ne nomme aucun dossier."));
  }
  return std::make_unique<SqliteDbfDatabase>(connectionString.mid(at + kSource.size()), writeWait_);
}

}  // namespace brivane::platform
