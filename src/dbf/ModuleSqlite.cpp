#include "dbf/ModuleSqlite.h"

#include "dbf/BaseDbf.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace brivane::dbf {

using platform::ErreurBaseDonnees;

namespace {

struct Vtab {
  sqlite3_vtab base{};
  BaseDbf* database = nullptr;
  std::size_t index = 0;
};

struct Cursor {
  sqlite3_vtab_cursor base{};
  TableDbf* table = nullptr;  // the connection's reader, shared
  EcrituresEnAttente* pending = nullptr;
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

QString TrimmedRight(QString text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == u' ') {
    --end;
  }
  text.truncate(end);
  return text;
}

platform::ValeurColonne FromSqlite(sqlite3_value* value, const InfoTable& info, std::size_t field) {
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
      throw ErreurBaseDonnees(ErreurBaseDonnees::kValueDoesNotFit,
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
  } catch (const ErreurBaseDonnees& e) {
    return v->database->Fail(vtab, e);
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (const os::ErreurOs& e) {
    try {
      return v->database->Fail(vtab,
                               FromSystem(e, QFileInfo(QString::fromUtf8(e.path())).fileName(),
                                          QStringLiteral("Rien de cette saisie n'a été écrit.")));
    } catch (const std::bad_alloc&) {
      return SQLITE_NOMEM;
    } catch (...) {
      return SQLITE_ERROR;
    }
  } catch (const std::exception& e) {
    try {
      return v->database->Fail(
          vtab, ErreurBaseDonnees(ErreurBaseDonnees::kInputOutput, QString::fromUtf8(e.what())));
    } catch (const std::bad_alloc&) {
      return SQLITE_NOMEM;
    } catch (...) {
      return SQLITE_ERROR;
    }
  } catch (...) {
    return SQLITE_ERROR;
  }
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** error) noexcept {
  auto* database = static_cast<BaseDbf*>(aux);
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
    const InfoTable& info = database->table(index);
    QString ddl = QStringLiteral("CREATE TABLE x(");
    for (std::size_t i = 0; i < info.fields.size(); ++i) {
      QString name = info.fields[i].name;
      ddl += (i == 0 ? QString() : QStringLiteral(",")) + u'"' +
             name.replace(u'"', QStringLiteral("\"\"")) + u'"';
      // Where SQLite compares a text column itself (an OR, a <>, another
      // column), RTRIM answers as our own key filter does: trailing blanks
      // aside, case and leading blanks counting.
      if (info.fields[i].type == 'C') {
        ddl += QStringLiteral(" COLLATE RTRIM");
      }
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
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (const std::exception& e) {
    *error = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  } catch (...) {
    *error = sqlite3_mprintf("la table %s ne peut pas être déclarée", argv[2]);
    return SQLITE_ERROR;
  }
}

// Every table is declared by the connection with CREATE VIRTUAL TABLE, its
// file already there: a distinct xCreate keeps the module from answering for
// a table named after itself.
int Create(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
           char** error) noexcept {
  return Connect(db, aux, argc, argv, out, error);
}

int Disconnect(sqlite3_vtab* vtab) noexcept {
  delete reinterpret_cast<Vtab*>(vtab);
  return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) noexcept {
  auto* v = reinterpret_cast<Vtab*>(vtab);
  const InfoTable& table = v->database->table(v->index);
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
      return !TableDbf::EstSupprimee(record) &&
             (c->filterField < 0 ||
              c->table->texteStocke(record, c->filterField) == c->filterValue);
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
    c->fileCount = c->table->nombreLignes();
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
    if (IndexCles* index = v->database->IndexFor(v->index, c->filterField, *c->table, c->pending,
                                                 c->fileCount, c->count)) {
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
    if (c->table->fields()[static_cast<std::size_t>(column)].type == 'C') {
      // Printable ASCII reads the same in every code page we know: the bytes
      // go to SQLite as they are, without a round trip through a QString.
      const QByteArrayView bytes = c->table->texteStocke(QByteArrayView(c->record), column);
      if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return b >= 0x20 && b < 0x7F; })) {
        sqlite3_result_text(context, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_TRANSIENT);
        return SQLITE_OK;
      }
    }
    const platform::ValeurColonne value = c->table->value(c->record, column);
    if (const auto* n = std::get_if<qlonglong>(&value)) {
      sqlite3_result_int64(context, *n);
    } else if (const auto* x = std::get_if<double>(&value)) {
      sqlite3_result_double(context, *x);
    } else if (const auto* s = std::get_if<QString>(&value)) {
      const QByteArray text = s->toUtf8();
      sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    } else {
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
  return Guard(vtab, [&](Vtab* v) {
    v->database->StatementEnds();
    return SQLITE_OK;
  });
}

int Rollback(sqlite3_vtab* vtab) noexcept {
  return Guard(vtab, [&](Vtab* v) {
    v->database->StatementFailed(v->index);
    return SQLITE_OK;
  });
}

int Update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* rowid) noexcept {
  return Guard(vtab, [&](Vtab* v) {
    const InfoTable& info = v->database->table(v->index);
    EcrituresEnAttente* pending = v->database->PendingOf(v->index);
    if (pending == nullptr) {
      throw ErreurBaseDonnees(
          ErreurBaseDonnees::kInputOutput,
          QStringLiteral("La table %1 n'est pas ouverte en écriture.").arg(info.name));
    }
    if (argc == 1) {
      throw ErreurBaseDonnees(
          ErreurBaseDonnees::kUnsupported,
          QStringLiteral("Ce programme ne supprime aucune ligne de la table %1.").arg(info.name));
    }
    if (static_cast<std::size_t>(argc) != info.fields.size() + 2) {
      throw ErreurBaseDonnees(
          ErreurBaseDonnees::kUnsupported,
          QStringLiteral("La table %1 n'a pas le nombre de colonnes attendu.").arg(info.name));
    }
    TableDbf& reader = v->database->Reader(v->index);
    const bool insert = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    std::vector<std::optional<platform::ValeurColonne>> values(info.fields.size());
    for (std::size_t i = 0; i < info.fields.size(); ++i) {
      sqlite3_value* value = argv[i + 2];
      if (!insert && sqlite3_value_nochange(value)) {
        continue;
      }
      values[i] = FromSqlite(value, info, i);
    }
    if (insert) {
      if (sqlite3_value_type(argv[1]) != SQLITE_NULL) {
        throw ErreurBaseDonnees(
            ErreurBaseDonnees::kUnsupported,
            QStringLiteral("Le numéro de ligne de la table %1 ne se choisit pas.").arg(info.name));
      }
      const QByteArray record = reader.composer(values, nullptr);
      const int n = pending->total();
      pending->rows.append(record);
      v->database->Wrote(v->index, reader, n, record);
      *rowid = n + 1;
      return SQLITE_OK;
    }
    const sqlite3_int64 old = sqlite3_value_int64(argv[0]);
    if (sqlite3_value_int64(argv[1]) != old || old < 1 || old > pending->total()) {
      throw ErreurBaseDonnees(
          ErreurBaseDonnees::kUnsupported,
          QStringLiteral("Le numéro de ligne de la table %1 ne se change pas.").arg(info.name));
    }
    const int n = static_cast<int>(old - 1);
    const int fileCount = static_cast<int>(pending->count);
    const QByteArray base = RecordAt(reader, pending, fileCount, n).toByteArray();
    const QByteArray record = reader.composer(values, &base);
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
  m.xCreate = Create;
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

}  // namespace

const sqlite3_module& Module() {
  static const sqlite3_module module = MakeModule();
  return module;
}

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

}  // namespace brivane::dbf
