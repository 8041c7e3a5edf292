#pragma once

#include "document/DocumentServices.h"
#include "platform/FichierTexte.h"
#include "settings/ConfigurationTransfert.h"

#include <QString>

#include <functional>
#include <memory>

namespace brivane {

// The outcome of one import run.
enum class ResultatImport {
  FichierNonIndique,        // the path was empty; nothing was read
  ConfigurationIncomplete,  // a required setting was empty; nothing was read
  LectureImpossible,        // the file could not be read; nothing was posted
  Refuse,                   // the document was refused; the file stays where it is
  Interrompu,               // the posting stopped after some writes; the file stays
  Transfere,                // posted, confirmed, and the file moved
  DeplacementImpossible,    // posted and confirmed, but the file could not be moved
};

// What a run needs of the platform beyond the two user-facing operations.
struct ServicesImport {
  std::shared_ptr<const platform::LecteurFichier> lecteur;
  std::shared_ptr<platform::DeplaceurFichier> deplaceur;
  DocumentServices document;

  // The real file system and the default document services.
  static ServicesImport Defaut();
};

using AfficherMessageFn = std::function<void(const QString& texte, const QString& titre)>;
using IndiquerOccupeFn = std::function<void(bool occupe)>;

// Imports one invoice file: checks the path and the configuration, reads the
// file into a new sales document, posts it into the accounting system (code 1)
// with the configured folders and credentials, tells the user the outcome and,
// once posted, moves the file into the folder of processed files. Every message
// goes through AfficherMessage; the busy pointer is on from the reading until
// the run returns, whatever happens.
ResultatImport ImporterFichier(const QString& chemin, const ConfigurationTransfert& configuration,
                               const AfficherMessageFn& AfficherMessage,
                               const IndiquerOccupeFn& IndiquerOccupe,
                               const ServicesImport& services = ServicesImport::Defaut());

// Where a posted file goes: the folder as typed, the platform's separator,
// then the file's own name (the whole path when it holds no separator).
QString CheminTraite(const QString& chemin, const QString& dossierTraite);

}  // namespace brivane
