#include "company/Requete.h"

#include "company/ErreurBase.h"

#include <sqlite3.h>

namespace brivane::company {

Requete::Requete(sqlite3* db, const QString& sql) : db_(db) {
  const QByteArray texte = sql.toUtf8();
  const int code =
      sqlite3_prepare_v2(db_, texte.constData(), static_cast<int>(texte.size()), &stmt_, nullptr);
  if (code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
}

Requete::~Requete() { sqlite3_finalize(stmt_); }

Requete& Requete::Lier(int index, const QVariant& valeur) {
  int code = SQLITE_OK;
  if (valeur.isNull()) {
    code = sqlite3_bind_null(stmt_, index);
  } else {
    switch (valeur.typeId()) {
      case QMetaType::Int:
      case QMetaType::LongLong:
      case QMetaType::Bool:
        code = sqlite3_bind_int64(stmt_, index, valeur.toLongLong());
        break;
      case QMetaType::Double:
        code = sqlite3_bind_double(stmt_, index, valeur.toDouble());
        break;
      default: {
        const QByteArray texte = valeur.toString().toUtf8();
        code = sqlite3_bind_text(stmt_, index, texte.constData(), static_cast<int>(texte.size()),
                                 SQLITE_TRANSIENT);
      }
    }
  }
  if (code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
  return *this;
}

Requete& Requete::LierEntier(int index, std::int64_t valeur) {
  if (const int code = sqlite3_bind_int64(stmt_, index, valeur); code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
  return *this;
}

Requete& Requete::LierReel(int index, double valeur) {
  if (const int code = sqlite3_bind_double(stmt_, index, valeur); code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
  return *this;
}

Requete& Requete::LierTexte(int index, const QString& valeur) {
  const QByteArray texte = valeur.toUtf8();
  if (const int code = sqlite3_bind_text(stmt_, index, texte.constData(),
                                         static_cast<int>(texte.size()), SQLITE_TRANSIENT);
      code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
  return *this;
}

Requete& Requete::LierNul(int index) {
  if (const int code = sqlite3_bind_null(stmt_, index); code != SQLITE_OK) {
    EchecSqlite(db_, code);
  }
  return *this;
}

bool Requete::Suivante() {
  const int code = sqlite3_step(stmt_);
  if (code == SQLITE_ROW) {
    return true;
  }
  if (code == SQLITE_DONE) {
    return false;
  }
  EchecSqlite(db_, code);
}

void Requete::Executer() {
  while (Suivante()) {
  }
}

void Requete::Reinitialiser() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int Requete::NombreColonnes() const { return sqlite3_column_count(stmt_); }

QString Requete::NomColonne(int i) const {
  return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QVariant Requete::Valeur(int i) const {
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

qint64 Requete::Entier(int i) const { return sqlite3_column_int64(stmt_, i); }

QString Requete::Texte(int i) const {
  const auto* texte = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
  return QString::fromUtf8(texte, sqlite3_column_bytes(stmt_, i));
}

}  // namespace brivane::company
