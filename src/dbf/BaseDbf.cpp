#include "dbf/BaseDbf.h"

#include "dbf/Journal.h"
#include "dbf/ModuleSqlite.h"
#include "dbf/VerrouFichier.h"
#include "platform/os/Fichier.h"
#include "platform/os/Systeme.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace brivane::dbf {

using platform::ErreurBaseDonnees;
using platform::JeuLignes;
using platform::VerrouTable;

namespace {

class MaterializedRowSet final : public JeuLignes {
 public:
  MaterializedRowSet() = default;  // closed
  MaterializedRowSet(QStringList names, std::vector<platform::ValeurColonne> values, bool hasRow)
      : open_(true), hasRow_(hasRow), names_(std::move(names)), values_(std::move(values)) {}

  bool IsOpen() const override { return open_; }
  bool Eof() const override {
    RequireOpen();
    return !hasRow_;
  }
  platform::ValeurColonne Field(const QString& name) const override {
    RequireOpen();
    if (!hasRow_) {
      throw ErreurBaseDonnees(ErreurBaseDonnees::kNoRow,
                              QStringLiteral("Aucune ligne ne donne la colonne %1.").arg(name));
    }
    for (qsizetype i = 0; i < names_.size(); ++i) {
      if (names_[i].compare(name, Qt::CaseInsensitive) == 0) {
        return values_[static_cast<std::size_t>(i)];
      }
    }
    throw ErreurBaseDonnees(ErreurBaseDonnees::kNoColumn,
                            QStringLiteral("La colonne %1 est absente du résultat.").arg(name));
  }
  void Close() override { open_ = false; }

 private:
  void RequireOpen() const {
    if (!open_) {
      throw ErreurBaseDonnees(ErreurBaseDonnees::kNoRow,
                              QStringLiteral("Le jeu de lignes est fermé."));
    }
  }

  bool open_ = false;
  bool hasRow_ = false;
  QStringList names_;
  std::vector<platform::ValeurColonne> values_;
};

class HeldLock final : public VerrouTable {
 public:
  HeldLock(std::unique_ptr<VerrouFichier> lock, std::weak_ptr<std::set<QString>> held, QString key)
      : lock_(std::move(lock)), held_(std::move(held)), key_(std::move(key)) {}
  ~HeldLock() override {
    if (const auto held = held_.lock()) {
      held->erase(key_);
    }
  }

 private:
  std::unique_ptr<VerrouFichier> lock_;
  std::weak_ptr<std::set<QString>> held_;
  QString key_;
};

[[noreturn]] void CannotOpen(const QString& why) {
  throw ErreurBaseDonnees(ErreurBaseDonnees::kCannotOpen, why);
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

// Records [from, to) of a table the posting holds, straight from its file
// in large reads rather than one record at a time: only the key's bytes are
// looked at. False when the file is shorter than its header says; the record
// reader then reports it.
bool HashFile(EcrituresEnAttente& table, const TableDbf& reader, int field, int from, int to,
              IndexCles& index) {
  constexpr qsizetype kBlock = 256 * 1024;
  const qsizetype length = table.recordLength;
  const int perBlock = static_cast<int>(std::max<qsizetype>(1, kBlock / length));
  QByteArray buffer(perBlock * length, Qt::Uninitialized);
  for (int n = from; n < to;) {
    const int batch = std::min(to - n, perBlock);
    const auto bytes = static_cast<std::size_t>(batch * length);
    if (table.io().LireA(static_cast<std::uint64_t>(table.headerLength) +
                             static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(length),
                         buffer.data(), bytes) != bytes) {
      return false;
    }
    for (int k = 0; k < batch; ++k) {
      index.Add(reader.texteStocke(QByteArrayView(buffer.constData() + k * length, length), field),
                n + k);
    }
    n += batch;
  }
  return true;
}

}  // namespace

QString Occupied(const QString& table) {
  return QStringLiteral("La table %1 est occupée par une autre saisie ; réessayez dans un moment.")
      .arg(table);
}

// A failed system call on a table, in the user's words: never the system's
// own text, which may be English.
ErreurBaseDonnees FromSystem(const os::ErreurOs& e, const QString& table, const QString& outcome) {
  switch (e.kind()) {
    case os::ErreurOs::Kind::NoSpace:
      return ErreurBaseDonnees(
          ErreurBaseDonnees::kInputOutput,
          QStringLiteral("Le disque est plein : la table %1 n'a pas pu être enregistrée. %2")
              .arg(table, outcome));
    case os::ErreurOs::Kind::AccessDenied:
      return ErreurBaseDonnees(
          ErreurBaseDonnees::kCannotOpen,
          QStringLiteral("La table %1 est en lecture seule. %2").arg(table, outcome));
    case os::ErreurOs::Kind::NotFound:
      return ErreurBaseDonnees(
          ErreurBaseDonnees::kCannotOpen,
          QStringLiteral("La table %1 est introuvable. %2").arg(table, outcome));
    default:
      break;
  }
  if (e.code() == EBUSY) {
    // Another program holds the file open without sharing it (Windows).
    return ErreurBaseDonnees(ErreurBaseDonnees::kLocked, Occupied(table));
  }
  return ErreurBaseDonnees(
      ErreurBaseDonnees::kInputOutput,
      QStringLiteral("La table %1 n'a pas pu être lue ou enregistrée sur le disque : %2. %3")
          .arg(table, QString::fromStdString(os::TexteErreurFrancais(e.code())), outcome));
}

int BaseDbf::Fail(sqlite3_vtab* vtab, const ErreurBaseDonnees& error) noexcept {
  // Called from SQLite's callbacks: a copy that fails is reported, never thrown.
  try {
    pending_ = error;
  } catch (...) {
    pending_.reset();
    return SQLITE_NOMEM;
  }
  sqlite3_free(vtab->zErrMsg);
  vtab->zErrMsg = sqlite3_mprintf("%s", error.what());
  return vtab->zErrMsg == nullptr ? SQLITE_NOMEM : SQLITE_ERROR;
}

void BaseDbf::Distrust(std::size_t table) {
  for (auto& [key, index] : indexes_) {
    if (key.first == table) {
      index.Forget();
    }
  }
}

IndexCles* BaseDbf::IndexFor(std::size_t table, int field, TableDbf& reader,
                             EcrituresEnAttente* pending, int fileCount, int count) {
  IndexCles& index = indexes_[{table, field}];
  // A table the posting holds changes only by this connection's hand (its
  // index was checked against the file when the table was taken): no need
  // to look at the file again on every lookup.
  const bool held = pending != nullptr && index.trusted() && index.indexed() <= count;
  const IndexCles::Stamp stamp = held ? IndexCles::Stamp{} : StampOf(tables_[table].path);
  if (!held && (!index.current(stamp) || index.indexed() > count)) {
    index.Clear();
  }
  int n = index.indexed();
  if (pending != nullptr && pending->rewritten.empty() && n < fileCount &&
      HashFile(*pending, reader, field, n, fileCount, index)) {
    n = fileCount;
  }
  for (; n < count; ++n) {
    index.Add(reader.texteStocke(RecordAt(reader, pending, fileCount, n), field), n);
  }
  if (!held) {
    index.Seen(stamp);
  }
  return &index;
}

void BaseDbf::Wrote(std::size_t table, const TableDbf& reader, int n, const QByteArray& record) {
  for (auto& [key, index] : indexes_) {
    if (key.first != table) {
      continue;
    }
    if (n <= index.indexed()) {
      // A rewritten record keeps its old entry too: lookups check every record they get.
      index.Add(reader.texteStocke(QByteArrayView(record), key.second), n);
    } else {
      index.Forget();
    }
  }
}

std::optional<std::size_t> BaseDbf::Find(const QString& name) const {
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (tables_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return std::nullopt;
}

BaseDbf::BaseDbf(os::SystemeFichiers& fichiers, const QString& folder, milliseconds writeWait)
    : fichiers_(fichiers), folder_(folder), writeWait_(writeWait) {
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
    const IndexCles::Stamp stamp = StampOf(tables_[i].path);
    auto reader = TableDbf::Ouvrir(tables_[i].path);
    tables_[i].fields = reader->fields();
    cache_.Keep(i, std::move(reader), stamp);
  }

  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
          SQLITE_OK ||
      sqlite3_create_module_v2(db_, "brivane_dbf", &Module(), this, nullptr) != SQLITE_OK) {
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
  preparees_ = std::make_unique<InstructionsPreparees>(db_);
  for (const InfoTable& table : tables_) {
    for (const ChampDbf& champ : table.fields) {
      if (champ.name.compare(u"true", Qt::CaseInsensitive) == 0 ||
          champ.name.compare(u"false", Qt::CaseInsensitive) == 0) {
        vraiFauxLibres_ = false;
      }
    }
  }
}

BaseDbf::~BaseDbf() {
  Rollback();
  preparees_.reset();  // its statements go before the connection
  if (db_ != nullptr) {
    sqlite3_close(db_);
  }
}

void BaseDbf::Refused() const {
  if (pending_) {
    throw *pending_;
  }
  throw ErreurBaseDonnees(sqlite3_extended_errcode(db_),
                          Explain(QString::fromUtf8(sqlite3_errmsg(db_))));
}

std::unique_ptr<JeuLignes> BaseDbf::Execute(const QString& sql) {
  pending_.reset();
  const QByteArray text = sql.toUtf8();
  // Texts of one shape differ only by their literals: compiling one of them
  // costs more than running it.
  sqlite3_stmt* statement = nullptr;
  InstructionsPreparees::Gardee* gardee = nullptr;
  if (parForme_ && DecouperInstruction(text, vraiFauxLibres_, forme_)) {
    gardee = preparees_->Lier(forme_);
    statement = gardee != nullptr ? gardee->instruction : nullptr;
  }
  const bool kept = statement != nullptr;
  if (!kept) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.constData(), static_cast<int>(text.size()), &statement,
                           &tail) != SQLITE_OK) {
      Refused();
    }
    if (statement == nullptr || !QByteArray(tail).trimmed().isEmpty()) {
      sqlite3_finalize(statement);
      throw ErreurBaseDonnees(ErreurBaseDonnees::kStatementRefused,
                              QStringLiteral("Une seule instruction est permise à la fois."));
    }
  }
  // Reset rather than finalized when kept; either way before any error leaves.
  const auto release = [kept](sqlite3_stmt* s) {
    if (kept) {
      InstructionsPreparees::Relacher(s);
    } else {
      sqlite3_finalize(s);
    }
  };
  const std::unique_ptr<sqlite3_stmt, decltype(release)> guard(statement, release);
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    Refused();
  }
  const int columns = sqlite3_column_count(statement);
  if (columns == 0) {
    return std::make_unique<MaterializedRowSet>();
  }
  QStringList names = kept ? gardee->noms : QStringList();
  if (names.size() != columns) {
    names.clear();
    for (int i = 0; i < columns; ++i) {
      names << QString::fromUtf8(sqlite3_column_name(statement, i));
    }
    if (kept) {
      gardee->noms = names;
    }
  }
  std::vector<platform::ValeurColonne> values;
  values.reserve(static_cast<std::size_t>(columns));
  for (int i = 0; i < columns && rc == SQLITE_ROW; ++i) {
    switch (sqlite3_column_type(statement, i)) {
      case SQLITE_INTEGER:
        values.emplace_back(qlonglong{sqlite3_column_int64(statement, i)});
        break;
      case SQLITE_FLOAT:
        values.emplace_back(sqlite3_column_double(statement, i));
        break;
      case SQLITE_TEXT:
        values.emplace_back(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)),
                              sqlite3_column_bytes(statement, i)));
        break;
      default:
        values.emplace_back();
    }
  }
  return std::make_unique<MaterializedRowSet>(std::move(names), std::move(values),
                                              rc == SQLITE_ROW);
}

std::unique_ptr<VerrouTable> BaseDbf::Lock(const QString& table, milliseconds wait) {
  const auto index = Find(table);
  if (!index) {
    throw ErreurBaseDonnees(ErreurBaseDonnees::kStatementRefused,
                            QStringLiteral("La table %1 est absente du dossier.").arg(table));
  }
  const InfoTable& info = tables_[*index];
  std::unique_ptr<VerrouFichier> lock;
  try {
    lock = VerrouFichier::Take(fichiers_, CheminSysteme(info.path), wait);
  } catch (const os::ErreurOs& e) {
    throw FromSystem(e, info.name, QString());
  }
  if (!lock) {
    throw ErreurBaseDonnees(ErreurBaseDonnees::kLocked, Occupied(info.name));
  }
  held_->insert(info.name.toLower());
  return std::make_unique<HeldLock>(std::move(lock), held_, info.name.toLower());
}

}  // namespace brivane::dbf
