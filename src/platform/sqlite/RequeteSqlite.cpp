#include "platform/sqlite/RequeteSqlite.h"

#include <sqlite3.h>

namespace brivane::platform::sqlite {

RequeteSqlite::RequeteSqlite(sqlite3* db, const QString& sql) : db_(db) {
  const QByteArray texte = sql.toUtf8();
  Verifier(
      sqlite3_prepare_v2(db_, texte.constData(), static_cast<int>(texte.size()), &stmt_, nullptr));
}

RequeteSqlite::~RequeteSqlite() { sqlite3_finalize(stmt_); }

void RequeteSqlite::ExecuterTexte(sqlite3* db, const char* sql) {
  if (const int code = sqlite3_exec(db, sql, nullptr, nullptr, nullptr); code != SQLITE_OK) {
    throw ErreurSqlite::De(db, code);
  }
}

void RequeteSqlite::Verifier(int code) const {
  if (code != SQLITE_OK) {
    throw ErreurSqlite::De(db_, code);
  }
}

RequeteSqlite& RequeteSqlite::Lier(int index, const QVariant& valeur) {
  if (valeur.isNull()) {
    return LierNul(index);
  }
  switch (valeur.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
      return LierEntier(index, valeur.toLongLong());
    case QMetaType::Double:
      return LierReel(index, valeur.toDouble());
    default:
      return LierTexte(index, valeur.toString());
  }
}

RequeteSqlite& RequeteSqlite::LierEntier(int index, std::int64_t valeur) {
  Verifier(sqlite3_bind_int64(stmt_, index, valeur));
  return *this;
}

RequeteSqlite& RequeteSqlite::LierReel(int index, double valeur) {
  Verifier(sqlite3_bind_double(stmt_, index, valeur));
  return *this;
}

RequeteSqlite& RequeteSqlite::LierTexte(int index, const QString& valeur) {
  const QByteArray texte = valeur.toUtf8();
  Verifier(sqlite3_bind_text(stmt_, index, texte.constData(), static_cast<int>(texte.size()),
                             SQLITE_TRANSIENT));
  return *this;
}

RequeteSqlite& RequeteSqlite::LierNul(int index) {
  Verifier(sqlite3_bind_null(stmt_, index));
  return *this;
}

bool RequeteSqlite::Suivante() {
  const int code = sqlite3_step(stmt_);
  if (code == SQLITE_ROW) {
    return true;
  }
  if (code != SQLITE_DONE) {
    Verifier(code);
  }
  return false;
}

void RequeteSqlite::Executer() {
  while (Suivante()) {
  }
}

void RequeteSqlite::Reinitialiser() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int RequeteSqlite::NombreColonnes() const { return sqlite3_column_count(stmt_); }

QString RequeteSqlite::NomColonne(int i) const {
  return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QVariant RequeteSqlite::Valeur(int i) const {
  switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return QVariant::fromValue<qint64>(sqlite3_column_int64(stmt_, i));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_, i);
    default:
      return Texte(i);
  }
}

qint64 RequeteSqlite::Entier(int i) const { return sqlite3_column_int64(stmt_, i); }

QString RequeteSqlite::Texte(int i) const {
  const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
  return QString::fromUtf8(texte, sqlite3_column_bytes(stmt_, i));
}

}  // namespace brivane::platform::sqlite
