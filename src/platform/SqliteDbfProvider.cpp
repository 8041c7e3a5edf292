#include "platform/SqliteDbfProvider.h"

#include "platform/DatabaseError.h"
#include "platform/DbfTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string_view>
#include <thread>

namespace brivane::platform {

namespace {

using std::chrono::milliseconds;

// An exclusive advisory lock on one file, through a descriptor of its own so
// that two connections of one process exclude each other too.
class FileLock {
 public:
  FileLock(const QString& path, const QString& table, milliseconds wait) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      throw DatabaseError(DatabaseError::kCannotOpen,
                          QStringLiteral("La table %1 ne peut pas être ouverte.").arg(table));
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) ||
          std::chrono::steady_clock::now() >= deadline) {
        ::close(fd_);
        throw DatabaseError(DatabaseError::kLocked,
                            QStringLiteral("La table %1 est occupée par une autre saisie ; "
                                           "réessayez dans un moment.")
                                .arg(table));
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
  }
  ~FileLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

struct TableInfo {
  QString name;
  QString path;
  std::vector<DbfField> fields;
};

// What identifies one state of a file: any write by anyone changes it.
struct FileStamp {
  bool valid = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileStamp Of(const QString& path) {
    struct stat info {};
    FileStamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
      stamp = {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    }
    return stamp;
  }
  bool operator==(const FileStamp& o) const {
    return valid && o.valid && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

// Record numbers by the hash of one text column, so that a posting reads a
// searched table once instead of once per lookup. Only hashes are kept:
// every record a lookup gets from here is read and compared again, so a
// collision costs a read, never a wrong row. The index is trusted only while
// the file is as this connection last saw it; a write by anyone else means
// reading the table again.
class KeyIndex {
 public:
  static std::uint64_t Hash(QByteArrayView key) {
    return std::hash<std::string_view>{}(std::string_view(key.data(), key.size()));
  }

  bool current(const FileStamp& stamp) const { return trusted_ && stamp_ == stamp; }
  int indexed() const { return indexed_; }
  void Clear() {
    slots_.assign(1024, Slot{});
    used_ = 0;
    indexed_ = 0;
    stamp_ = {};
    trusted_ = true;
  }
  // The file is as this index knows it.
  void Seen(const FileStamp& stamp) {
    if (trusted_) {
      stamp_ = stamp;
    }
  }
  void Forget() { trusted_ = false; }
  // Adds record n, whose key is `key`; records come in ascending order.
  void Add(QByteArrayView key, int n) {
    if (2 * (used_ + 1) > slots_.size()) {
      Grow();
    }
    Put(Hash(key), n);
    ++used_;
    indexed_ = std::max(indexed_, n + 1);
  }
  // The records that may hold `key`, in ascending order.
  std::vector<int> Candidates(QByteArrayView key) const {
    std::vector<int> rows;
    const std::uint64_t hash = Hash(key);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & (slots_.size() - 1); slots_[i].row != 0;
         i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i].tag == tag) {
        rows.push_back(slots_[i].row - 1);
      }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;
    std::int32_t row = 0;  // record number + 1; 0 is an empty slot
    std::uint64_t hash = 0;
  };
  void Put(std::uint64_t hash, int n) {
    std::size_t i = hash & (slots_.size() - 1);
    while (slots_[i].row != 0) {
      i = (i + 1) & (slots_.size() - 1);
    }
    slots_[i] = {static_cast<std::uint32_t>(hash >> 32), n + 1, hash};
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    // Reinserted in record order, so that equal hashes keep their order.
    std::sort(old.begin(), old.end(), [](const Slot& a, const Slot& b) { return a.row < b.row; });
    for (const Slot& slot : old) {
      if (slot.row != 0) {
        Put(slot.hash, slot.row - 1);
      }
    }
  }

  std::vector<Slot> slots_ = std::vector<Slot>(1024);
  std::size_t used_ = 0;
  int indexed_ = 0;
  FileStamp stamp_;
  bool trusted_ = false;
};

class SqliteDbfDatabase;

struct Vtab {
  sqlite3_vtab base{};
  SqliteDbfDatabase* database = nullptr;
  std::size_t index = 0;
  std::unique_ptr<DbfTable> writer;
  bool wrote = false;  // by the statement under way
  std::unique_ptr<FileLock> statementLock;
};

struct Cursor {
  sqlite3_vtab_cursor base{};
  std::unique_ptr<DbfTable> table;
  int row = 0;
  int count = 0;
  QByteArray record;
  int filterField = -1;
  QByteArray filterValue;  // in the table's code page, trailing blanks dropped
  bool indexed = false;    // rows come from `candidates` rather than every record
  std::vector<int> candidates;
  std::size_t nextCandidate = 0;
};

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

class SqliteDbfDatabase final : public Database {
 public:
  SqliteDbfDatabase(const QString& folder, milliseconds writeWait);
  ~SqliteDbfDatabase() override;
  SqliteDbfDatabase(const SqliteDbfDatabase&) = delete;
  SqliteDbfDatabase& operator=(const SqliteDbfDatabase&) = delete;

  std::unique_ptr<RowSet> Execute(const QString& sql) override;
  std::unique_ptr<TableLock> Lock(const QString& table, milliseconds wait) override;
  void Sync() override;

  // For the virtual tables.
  const TableInfo& table(std::size_t index) const { return tables_[index]; }
  int Fail(sqlite3_vtab* vtab, const DatabaseError& error) {
    pending_ = error;
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", error.what());
    return SQLITE_ERROR;
  }
  bool Holds(const TableInfo& info) const { return held_->count(info.name.toLower()) > 0; }
  milliseconds writeWait() const { return writeWait_; }
  void Written(const QString& path) { dirty_.insert(path); }

  // The index of one text column, brought up to date with the table as the
  // cursor sees it; nothing on the first lookup of a column, which reads the
  // table anyway and may be the only one.
  KeyIndex* IndexFor(std::size_t table, int field, DbfTable& reader, int count);
  // Keeps the indexes of a table right as this connection writes record n.
  void Wrote(std::size_t table, const DbfTable& writer, int n, const QByteArray& record);
  // Before and after a statement that may write the table.
  void WriteStarting(std::size_t table);
  void WriteEnded(std::size_t table);
  void Distrust(std::size_t table) {
    for (auto& [key, column] : indexes_) {
      if (key.first == table) {
        column.index.Forget();
      }
    }
  }

 private:
  [[noreturn]] void Refused() const;

  sqlite3* db_ = nullptr;
  std::vector<TableInfo> tables_;
  std::optional<DatabaseError> pending_;
  std::set<QString> dirty_;
  std::shared_ptr<std::set<QString>> held_ = std::make_shared<std::set<QString>>();
  milliseconds writeWait_;
  struct ColumnIndex {
    int lookups = 0;
    KeyIndex index;
  };
  std::map<std::pair<std::size_t, int>, ColumnIndex> indexes_;
};

KeyIndex* SqliteDbfDatabase::IndexFor(std::size_t table, int field, DbfTable& reader, int count) {
  ColumnIndex& column = indexes_[{table, field}];
  if (++column.lookups == 1) {
    return nullptr;
  }
  KeyIndex& index = column.index;
  const FileStamp stamp = FileStamp::Of(tables_[table].path);
  if (!index.current(stamp) || index.indexed() > count) {
    index.Clear();
  }
  // The stamp is taken before the records are read: a write that comes
  // during the reading leaves the index out of date, never wrongly current.
  for (int n = index.indexed(); n < count; ++n) {
    index.Add(reader.storedText(reader.recordView(n), field), n);
  }
  index.Seen(stamp);
  return &index;
}

void SqliteDbfDatabase::WriteStarting(std::size_t table) {
  const FileStamp stamp = FileStamp::Of(tables_[table].path);
  for (auto& [key, column] : indexes_) {
    if (key.first == table && !column.index.current(stamp)) {
      column.index.Forget();  // someone else wrote it: read it again when needed
    }
  }
}

void SqliteDbfDatabase::Wrote(std::size_t table, const DbfTable& writer, int n,
                              const QByteArray& record) {
  for (auto& [key, column] : indexes_) {
    if (key.first != table) {
      continue;
    }
    KeyIndex& index = column.index;
    if (n < index.indexed() || n == index.indexed()) {
      // A rewritten record keeps its old entry too: lookups check every record they get.
      index.Add(writer.storedText(QByteArrayView(record), key.second), n);
    } else {
      index.Forget();
    }
  }
}

void SqliteDbfDatabase::WriteEnded(std::size_t table) {
  const FileStamp stamp = FileStamp::Of(tables_[table].path);
  for (auto& [key, column] : indexes_) {
    if (key.first == table) {
      column.index.Seen(stamp);
    }
  }
}

// Opens the table for a statement and checks it still has the columns declared.
std::unique_ptr<DbfTable> OpenDeclared(const TableInfo& info, DbfTable::Mode mode) {
  auto table = DbfTable::Open(info.path, mode);
  if (table->fields() != info.fields) {
    throw DatabaseError(
        DatabaseError::kCorruptTable,
        QStringLiteral("Les colonnes de la table %1 ont changé depuis l'ouverture du dossier.")
            .arg(info.name));
  }
  return table;
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
int Guard(sqlite3_vtab* vtab, F&& body) {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  try {
    return body(v);
  } catch (const DatabaseError& e) {
    return v->database->Fail(vtab, e);
  } catch (const std::exception& e) {
    return v->database->Fail(
        vtab, DatabaseError(DatabaseError::kInputOutput, QString::fromUtf8(e.what())));
  }
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** error) {
  auto* database = static_cast<SqliteDbfDatabase*>(aux);
  if (argc < 4) {
    *error = sqlite3_mprintf("table sans argument");
    return SQLITE_ERROR;
  }
  const auto index = static_cast<std::size_t>(std::strtoul(argv[3], nullptr, 10));
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
  auto* vtab = new Vtab;
  vtab->database = database;
  vtab->index = index;
  *out = &vtab->base;
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vtab) {
  delete reinterpret_cast<Vtab*>(vtab);
  return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  const TableInfo& table = v->database->table(v->index);
  info->idxNum = 0;
  info->estimatedCost = 1000000;
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& c = info->aConstraint[i];
    if (c.usable && c.op == SQLITE_INDEX_CONSTRAINT_EQ && c.iColumn >= 0 &&
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

int Open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
  return Guard(vtab, [&](Vtab* v) {
    auto cursor = std::make_unique<Cursor>();
    cursor->table = OpenDeclared(v->database->table(v->index), DbfTable::Mode::Read);
    *out = &cursor.release()->base;
    return SQLITE_OK;
  });
}

int Close(sqlite3_vtab_cursor* cursor) {
  delete reinterpret_cast<Cursor*>(cursor);
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* base) {
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
        if (n < c->count && matches(c->table->recordView(n))) {
          c->row = n;
          c->record = c->table->record(n);
          return SQLITE_OK;
        }
      }
      c->row = c->count;
      return SQLITE_OK;
    }
    for (++c->row; c->row < c->count; ++c->row) {
      const QByteArrayView record = c->table->recordView(c->row);
      if (matches(record)) {
        c->record = record.toByteArray();
        break;
      }
    }
    return SQLITE_OK;
  });
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv) {
  auto* c = reinterpret_cast<Cursor*>(base);
  c->row = -1;
  c->count = c->table->recordCount();
  c->filterField = -1;
  c->indexed = false;
  c->candidates.clear();
  if (idxNum > 0 && argc == 1) {
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
    auto* v = reinterpret_cast<Vtab*>(base->pVtab);
    const int result = Guard(base->pVtab, [&](Vtab*) {
      if (KeyIndex* index = v->database->IndexFor(v->index, c->filterField, *c->table, c->count)) {
        c->indexed = true;
        c->candidates = index->Candidates(c->filterValue);
        c->nextCandidate = 0;
      }
      return SQLITE_OK;
    });
    if (result != SQLITE_OK) {
      return result;
    }
  }
  return Next(base);
}

int Eof(sqlite3_vtab_cursor* base) {
  const auto* c = reinterpret_cast<Cursor*>(base);
  return c->row >= c->count;
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column) {
  if (sqlite3_vtab_nochange(context)) {
    return SQLITE_OK;  // an update that leaves this column alone
  }
  const auto* c = reinterpret_cast<Cursor*>(base);
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
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
  *rowid = reinterpret_cast<Cursor*>(base)->row + 1;
  return SQLITE_OK;
}

int Begin(sqlite3_vtab* vtab) {
  return Guard(vtab, [&](Vtab* v) {
    const TableInfo& info = v->database->table(v->index);
    if (!v->database->Holds(info)) {
      v->statementLock = std::make_unique<FileLock>(info.path, info.name, v->database->writeWait());
    }
    v->writer = OpenDeclared(info, DbfTable::Mode::Write);
    v->wrote = false;
    v->database->WriteStarting(v->index);
    return SQLITE_OK;
  });
}

// Rows already written stay written: ending a statement that wrote, in
// success or failure, brings the header up to date. A statement that wrote
// nothing leaves the file untouched.
void EndStatement(Vtab* v, bool finish) {
  const bool open = v->writer != nullptr;
  try {
    if (v->writer && v->wrote && finish) {
      v->writer->finish(QDate::currentDate());
    }
  } catch (...) {
    v->writer.reset();
    v->database->Distrust(v->index);
    throw;
  }
  v->writer.reset();
  if (open) {
    // Closed, and still under the statement's lock: what this connection wrote is all there is.
    v->database->WriteEnded(v->index);
  }
  v->wrote = false;
  v->statementLock.reset();
}

int Sync(sqlite3_vtab* vtab) {
  return Guard(vtab, [&](Vtab* v) {
    if (v->writer && v->wrote) {
      v->writer->finish(QDate::currentDate());
    }
    return SQLITE_OK;
  });
}

int Commit(sqlite3_vtab* vtab) {
  EndStatement(reinterpret_cast<Vtab*>(vtab), false);
  return SQLITE_OK;
}

int Rollback(sqlite3_vtab* vtab) {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  try {
    EndStatement(v, true);
  } catch (const DatabaseError&) {
    EndStatement(v, false);  // the statement's own error is the one to report
  }
  return SQLITE_OK;
}

void WriteRecord(Vtab* v, int n, const QByteArray& record) {
  try {
    v->writer->write(n, record);
  } catch (...) {
    v->database->Distrust(v->index);
    throw;
  }
  v->database->Wrote(v->index, *v->writer, n, record);
}

int Update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* rowid) {
  return Guard(vtab, [&](Vtab* v) {
    const TableInfo& info = v->database->table(v->index);
    if (!v->writer) {
      throw DatabaseError(
          DatabaseError::kInputOutput,
          QStringLiteral("La table %1 n'est pas ouverte en écriture.").arg(info.name));
    }
    if (argc == 1) {
      // A deleted row keeps its place, marked as dBASE marks it: row numbers of
      // the others never change.
      const sqlite3_int64 old = sqlite3_value_int64(argv[0]);
      if (old < 1 || old > v->writer->recordCount()) {
        throw DatabaseError(
            DatabaseError::kUnsupported,
            QStringLiteral("La ligne %1 de la table %2 n'existe pas.").arg(old).arg(info.name));
      }
      const int n = static_cast<int>(old - 1);
      QByteArray record = v->writer->record(n);
      if (!DbfTable::IsDeleted(record)) {
        record[0] = '*';
        v->wrote = true;
        WriteRecord(v, n, record);
        v->database->Written(info.path);
      }
      return SQLITE_OK;
    }
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
      const QByteArray record = v->writer->compose(values, nullptr);
      const int n = v->writer->recordCount();
      v->wrote = true;
      WriteRecord(v, n, record);
      *rowid = n + 1;
    } else {
      const sqlite3_int64 old = sqlite3_value_int64(argv[0]);
      if (sqlite3_value_int64(argv[1]) != old || old < 1 || old > v->writer->recordCount()) {
        throw DatabaseError(
            DatabaseError::kUnsupported,
            QStringLiteral("Le numéro de ligne de la table %1 ne se change pas.").arg(info.name));
      }
      const int n = static_cast<int>(old - 1);
      const QByteArray base = v->writer->record(n);
      const QByteArray record = v->writer->compose(values, &base);
      v->wrote = true;
      WriteRecord(v, n, record);
    }
    v->database->Written(info.path);
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

[[noreturn]] void CannotOpen(const QString& why) {
  throw DatabaseError(DatabaseError::kCannotOpen, why);
}

SqliteDbfDatabase::SqliteDbfDatabase(const QString& folder, milliseconds writeWait)
    : writeWait_(writeWait) {
  const QDir dir(folder);
  if (folder.isEmpty() || !dir.exists()) {
    CannotOpen(QStringLiteral("Le dossier %1 n'existe pas.").arg(folder));
  }
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
    const auto table = DbfTable::Open(file.absoluteFilePath(), DbfTable::Mode::Read);
    tables_.push_back({name, file.absoluteFilePath(), table->fields()});
  }
  if (tables_.empty()) {
    CannotOpen(QStringLiteral("Le dossier %1 ne contient aucune table dBASE.").arg(folder));
  }

  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
          SQLITE_OK ||
      sqlite3_create_module_v2(db_, "brivane_dbf", &kModule, this, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    CannotOpen(QStringLiteral("La base de données en mémoire ne peut pas être créée."));
  }
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    QString name = tables_[i].name;
    const QString create = QStringLiteral("CREATE VIRTUAL TABLE \"%1\" USING brivane_dbf(%2)")
                               .arg(name.replace(u'"', QStringLiteral("\"\"")))
                               .arg(i);
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
}

SqliteDbfDatabase::~SqliteDbfDatabase() {
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
  for (const TableInfo& info : tables_) {
    if (info.name.compare(table, Qt::CaseInsensitive) == 0) {
      auto lock = std::make_unique<FileLock>(info.path, info.name, wait);
      held_->insert(info.name.toLower());
      return std::make_unique<HeldLock>(std::move(lock), held_, info.name.toLower());
    }
  }
  throw DatabaseError(DatabaseError::kStatementRefused,
                      QStringLiteral("La table %1 est absente du dossier.").arg(table));
}

void SqliteDbfDatabase::Sync() {
  for (auto it = dirty_.begin(); it != dirty_.end();) {
    const int fd = ::open(QFile::encodeName(*it).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) {
      ::close(fd);
    }
    if (!ok) {
      throw DatabaseError(DatabaseError::kInputOutput,
                          QStringLiteral("La table %1 n'a pas pu être enregistrée sur le disque.")
                              .arg(QFileInfo(*it).fileName()));
    }
    it = dirty_.erase(it);
  }
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
