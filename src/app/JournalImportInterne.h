#pragma once

// What the two halves of the import journal share: its statements, its
// columns and how its times are written. Only JournalImport*.cpp include it.
#include "app/JournalImport.h"
#include "platform/sqlite/RequeteSqlite.h"

#include <QDateTime>
#include <QString>

#include <array>

namespace brivane::journal {

inline constexpr std::array kLibelles{u"en cours", u"transférée", u"déplacée", u"refusée"};

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

using platform::sqlite::ErreurSqlite;
using platform::sqlite::RequeteSqlite;

// "SELECT <the entry's columns> FROM importation" followed by suite.
inline QString SelectionEntrees(const char* suite) {
  return QStringLiteral(
             "SELECT numero, empreinte, fichier, compagnie, systeme, numero_document, etat, "
             "debut, fin FROM importation") +
         QString::fromUtf8(suite);
}

inline EntreeJournal LireEntree(const RequeteSqlite& r) {
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
