#pragma once

#include "dbf/TableDbf.h"
#include "document/RegistreImportation.h"
#include "platform/BaseDonnees.h"
#include "platform/os/Fichier.h"

#include <QString>

#include <vector>

namespace brivane::dbase {

// The company's record of our imports: a dBASE table of our own beside the
// company's tables, one row per invoice posted from an imported file, written
// in the invoice's own transaction (docs/dbase-tables.md). Other programs of
// the folder do not know it; we never touch a table of theirs for it.
class RegistreDbf final {
 public:
  inline static const QString kTable = QStringLiteral("brivimp");

  static const std::vector<dbf::ChampDbf>& Champs();

  // Whether the folder holds the table, its name in any letter case.
  static bool Present(const QString& dossier);
  // Makes the table when the folder lacks it: written whole in a private
  // subfolder, synced, then renamed into place without replacing, so that a
  // kill leaves no half table among the company's and two postings creating
  // it at once end up with one. Throws platform::ErreurBaseDonnees, nothing
  // written, when the folder cannot take it. Writes through `fichiers`.
  static void Creer(os::SystemeFichiers& fichiers, const QString& dossier);

  // The latest record of a content.
  static QString Recherche(const QString& empreinte);
  static QString Insertion(const RegistreImportation& registre);
  // The record in the current row of a Recherche.
  static RegistreImportation Lu(const platform::JeuLignes& ligne);
};

}  // namespace brivane::dbase
