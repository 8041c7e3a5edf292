#pragma once

// What the two halves of the import journal share: its statements, its
// columns and how its times are written. Only JournalImport*.cpp include it.
#include "app/JournalImport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <sqlite3.h>

#include <array>

namespace brivane::journal {

inline constexpr std::array kLibelles{u"en cours", u"transférée", u"déplacée", u"refusée"};

// One prepared statement, finalised on every path.
class Requete {
 public:
  Requete(sqlite3* db, const char* sql) {
    code_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Requete() { sqlite3_finalize(stmt_); }
  Requete(const Requete&) = delete;
  Requete& operator=(const Requete&) = delete;

  bool Prete() const { return code_ == SQLITE_OK; }
  int Code() const { return code_; }
  void Lier(int i, const QString& v) {
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(stmt_, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  }
  void Lier(int i, qint64 v) { sqlite3_bind_int64(stmt_, i, v); }
  void LierNul(int i) { sqlite3_bind_null(stmt_, i); }
  // True on a row; false at the end or on failure (Code() tells which).
  bool Pas() {
    code_ = sqlite3_step(stmt_);
    return code_ == SQLITE_ROW;
  }
  QString Texte(int i) const {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)),
                             sqlite3_column_bytes(stmt_, i));
  }
  qint64 Entier(int i) const { return sqlite3_column_int64(stmt_, i); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int code_ = SQLITE_OK;
};

inline QString Horodatage(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }

inline QDateTime LireHorodatage(const QString& texte) {
  if (texte.isEmpty()) {
    return {};
  }
  // Written with its "Z": read back as UTC.
  return QDateTime::fromString(texte, Qt::ISODateWithMs);
}

inline EtatImport EtatDe(const QString& libelle) {
  for (std::size_t i = 0; i < kLibelles.size(); ++i) {
    if (libelle == QStringView(kLibelles[i])) {
      return static_cast<EtatImport>(i);
    }
  }
  return EtatImport::EnCours;
}

inline constexpr const char* kColonnes =
    "numero, empreinte, fichier, compagnie, systeme, numero_document, etat, debut, fin";

inline EntreeJournal LireEntree(const Requete& r) {
  EntreeJournal e;
  e.numero = r.Entier(0);
  e.empreinte = r.Texte(1);
  e.fichier = r.Texte(2);
  e.compagnie = r.Texte(3);
  e.systeme = static_cast<int>(r.Entier(4));
  e.numeroDocument = r.Texte(5);
  e.etat = EtatDe(r.Texte(6));
  e.debut = LireHorodatage(r.Texte(7));
  e.fin = LireHorodatage(r.Texte(8));
  return e;
}

}  // namespace brivane::journal
