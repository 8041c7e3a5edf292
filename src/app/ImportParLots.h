#pragma once

#include "app/ImporterFichier.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include <vector>

namespace brivane {

// What became of one file of a batch.
struct IssueFichier {
  QString chemin;
  ResultatImport resultat = ResultatImport::Refuse;
  // Set when the run stopped on an unexpected failure; resultat is then meaningless.
  bool erreurInattendue = false;
  // Every message the run would have shown, as "titre : texte", in order.
  QStringList messages;
  // The invoice number the accounting system gave, when the file's content is posted.
  QString numeroDocument;

  // A few words for the outcome: "Transférée", "Refusée"...
  QString Libelle() const;
  // What the user should do about the file now.
  QString Conseil() const;
  // True when the file's content is in the accounting system.
  bool Transferee() const;
};

// Imports each file in turn with the same rules as one file, and never stops
// on a file that fails: the messages are kept for the summary instead of
// shown, while the questions still go to demander (prefixed with the file
// they are about). Each file's invoice number is read back from the journal
// that lecture opens (the newest entry for the file's path).
std::vector<IssueFichier> ImporterParLots(
    const QStringList& chemins, const ConfigurationTransfert& configuration,
    const IndiquerOccupeFn& IndiquerOccupe, const ServicesImport& services,
    const std::function<std::shared_ptr<JournalImport>()>& lecture);

// The newest journal entry for the file at chemin, as the import run names it.
std::optional<EntreeJournal> DerniereEntree(JournalImport& journal, const QString& chemin);

// What the path box shows for a choice of files: the one path, or
// "3 fichiers : a.csv, b.csv, c.csv".
QString TexteFichiers(const QStringList& chemins);

// The accounting system as the configuration window names it.
QString LibelleSysteme(int systeme);

}  // namespace brivane
