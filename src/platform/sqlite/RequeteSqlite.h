#pragma once

#include "platform/sqlite/ErreurSqlite.h"

#include <QString>
#include <QVariant>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

namespace brivane::platform::sqlite {

// One prepared statement, finalised with the object. Values are bound by
// 1-based index; a null QVariant binds NULL. Every failure throws
// ErreurSqlite, for the caller to put in its own words.
class RequeteSqlite final {
 public:
  RequeteSqlite(sqlite3* db, const QString& sql);
  ~RequeteSqlite();
  RequeteSqlite(const RequeteSqlite&) = delete;
  RequeteSqlite& operator=(const RequeteSqlite&) = delete;

  // Runs every statement of sql at once (no value to bind, no row to read).
  static void ExecuterTexte(sqlite3* db, const char* sql);

  RequeteSqlite& Lier(int index, const QVariant& valeur);
  RequeteSqlite& LierEntier(int index, std::int64_t valeur);
  RequeteSqlite& LierReel(int index, double valeur);
  RequeteSqlite& LierTexte(int index, const QString& valeur);
  RequeteSqlite& LierNul(int index);
  // Steps once: true when a row is available.
  bool Suivante();
  // Steps to the end.
  void Executer();
  // Ready to run again with new values.
  void Reinitialiser();

  int NombreColonnes() const;
  QString NomColonne(int i) const;
  // Null columns read as a null QVariant; integers as qint64, reals as
  // double, texts as QString.
  QVariant Valeur(int i) const;
  qint64 Entier(int i) const;
  QString Texte(int i) const;

 private:
  // Throws the failure code reports unless it is SQLITE_OK.
  void Verifier(int code) const;

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace brivane::platform::sqlite
