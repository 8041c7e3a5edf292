#pragma once

#include "app/JournalImport.h"
#include "document/ServicesDocument.h"
#include "platform/FichierTexte.h"
#include "settings/ConfigurationTransfert.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace brivane {

// The outcome of one import run.
enum class ResultatImport {
  FichierNonIndique,          // the path was empty; nothing was read
  ConfigurationIncomplete,    // a required setting was empty; nothing was read
  LectureImpossible,          // the file could not be read; nothing was posted
  DossierTraiteInutilisable,  // the processed folder cannot take the file; nothing posted
  JournalInutilisable,        // the import journal cannot be read or written; nothing posted
  DejaTransfere,              // the same content was posted before; not posted again
  EnCoursAilleurs,            // another import was still posting that content; nothing posted
  Refuse,                     // the document was refused; the file stays where it is
  Interrompu,                 // the posting stopped after some writes; the file stays
  Transfere,                  // posted, confirmed, and the file moved
  DeplacementTermine,         // posted by an earlier run: only the file was moved now
  DeplacementImpossible,      // posted and confirmed, but the file could not be moved
};

// Asks a Oui/Non question about content posted before: what was found, then
// the question. True for Oui.
using DemanderFn =
    std::function<bool(const QString& constat, const QString& question, const QString& titre)>;

// What a run needs of the platform beyond the two user-facing operations; the
// programs take the real ones from Composition.
struct ServicesImport {
  std::shared_ptr<const platform::LecteurFichier> lecteur;
  std::shared_ptr<platform::DeplaceurFichier> deplaceur;
  ServicesDocument document;
  std::shared_ptr<JournalImport> journal;
  // Without it every question is answered Non.
  DemanderFn demander;
  // The file is moved before the confirmation is shown (for a caller whose
  // messages may fail, such as a closed pipe); otherwise after it.
  bool deplacerAvantConfirmation = false;
  // Told once when the run waits for another import of the same content
  // (the window shows its busy pointer instead).
  std::function<void(const QString& texte)> signalerAttente = {};
  // How long the run waits for another import of the same content.
  std::chrono::milliseconds attenteMaximale = std::chrono::seconds(60);
};

using AfficherMessageFn = std::function<void(const QString& texte, const QString& titre)>;
using IndiquerOccupeFn = std::function<void(bool occupe)>;

// Imports one invoice file: checks the path and the configuration, reads the
// file into a new sales document, makes sure its content was not posted into
// that company before (asking when it was) and that the processed folder can
// take it, claims the import in the journal (waiting for another import of
// the same content to end), posts it into the accounting
// system the configuration chooses (code 1, or code 2 with the configured
// supplier and ledger accounts on every line) with the configured folders and
// credentials, tells the user the outcome and, once posted, moves the file
// into the folder of processed files. Content found posted but not moved is
// moved without posting; an import that stopped is resumed from what the
// company's record of imports says, where it keeps one. Every message goes through AfficherMessage;
// the busy pointer is on from the reading until the run returns, whatever happens.
ResultatImport ImporterFichier(const QString& chemin, const ConfigurationTransfert& configuration,
                               const AfficherMessageFn& AfficherMessage,
                               const IndiquerOccupeFn& IndiquerOccupe,
                               const ServicesImport& services);

// Where a posted file goes: the folder as typed, the platform's separator,
// then the file's own name (the whole path when it holds no separator).
QString CheminTraite(const QString& chemin, const QString& dossierTraite);

// The file as the journal names it: absolute, with the platform's separators.
QString CheminJournal(const QString& chemin);

// The company as the journal knows it: the same folder however it was typed.
QString CleCompagnie(const QString& dossier);

// A date and time of the journal as the user reads it: "8 décembre 2026 à 11:20".
QString DateLisible(const QDateTime& moment);

}  // namespace brivane
