#pragma once

#include "app/ErreurJournal.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct sqlite3;

namespace brivane {

namespace os {
class Fichier;
}  // namespace os

namespace platform::sqlite {
class ErreurSqlite;
}  // namespace platform::sqlite

// Where an import stands.
enum class EtatImport {
  EnCours,     // written before posting; stays so when the posting was cut short
  Transferee,  // posted; the file not moved yet
  Deplacee,    // posted and the file moved
  Refusee,     // the accounting system refused the document
};

// The word the journal stores and shows for a state.
QString Libelle(EtatImport etat);

// One import of one file.
struct EntreeJournal {
  qint64 numero = 0;       // given by the journal, growing
  QString empreinte;       // SHA-256 of the file's bytes, in hexadecimal
  QString fichier;         // the path as given
  QString compagnie;       // the company folder
  int systeme = 0;         // accounting-system code
  QString numeroDocument;  // empty when not known
  EtatImport etat = EtatImport::EnCours;
  QDateTime debut;  // UTC
  QDateTime fin;    // UTC; null while en cours
};

// What Revendiquer found.
enum class IssueRevendication {
  Obtenue,          // a new entry en cours, claimed by this run
  Reprise,          // an entry left en cours by an import that stopped, claimed by this run
  DejaTransferee,   // the content was posted before (transférée or déplacée); nothing claimed
  EnCoursAilleurs,  // another import is posting that content right now; nothing claimed
};

struct Revendication {
  IssueRevendication issue = IssueRevendication::Obtenue;
  EntreeJournal entree;  // the entry claimed, or the one found
};

// Every import, so that a file is never posted twice without the user knowing.
// Every operation throws ErreurJournal when the journal cannot be opened, read
// or written.
class JournalImport {
 public:
  virtual ~JournalImport() = default;
  // The latest import of that content into that company that was not
  // refused, or nothing.
  virtual std::optional<EntreeJournal> Chercher(const QString& empreinte, const QString& compagnie,
                                                int systeme) = 0;
  // Writes the entry as en cours, on disk when this returns; its number.
  virtual qint64 Commencer(const EntreeJournal& entree) = 0;
  // Moves the entry to a new state, on disk when this returns, with the
  // invoice number when one is given. déplacée and refusée end its claim.
  virtual void Marquer(qint64 numero, EtatImport etat, const QString& numeroDocument = {}) = 0;
  // Looks the content up and, unless another import is posting it or (without
  // forcer) it was posted before, claims it for this run: one write
  // transaction, so that of any number of imports of one content into one
  // company, one at a time holds the claim. The claim lasts until Marquer
  // gives the entry its last state, Relacher, or the end of the process.
  virtual Revendication Revendiquer(const EntreeJournal& entree, bool forcer) = 0;
  // Waits at most delai for the import holding the claim of that entry to
  // end; true when it has. Never throws: a wait that fails is one not ended.
  virtual bool AttendreFin(qint64 numero, std::chrono::milliseconds delai) = 0;
  // Gives a claim up without posting: the entry is forgotten when this run
  // wrote it (oublier), otherwise left en cours for a later import. The claim
  // is given up even when this throws.
  virtual void Relacher(qint64 numero, bool oublier) = 0;
  // What tells this journal from any other, made with it: a company's record
  // of an import names the journal that numbered it.
  virtual QString Identite() = 0;
  // Every entry, newest first.
  virtual std::vector<EntreeJournal> Lister() = 0;
};

// The journal as an SQLite file, opened at first use and kept open. Safe to
// share between programs: each write is one transaction, synced to disk.
class SqliteJournalImport final : public JournalImport {
 public:
  // ":memory:" gives a journal that lives as long as the object (tests).
  explicit SqliteJournalImport(QString chemin);
  ~SqliteJournalImport() override;
  SqliteJournalImport(const SqliteJournalImport&) = delete;
  SqliteJournalImport& operator=(const SqliteJournalImport&) = delete;

  std::optional<EntreeJournal> Chercher(const QString& empreinte, const QString& compagnie,
                                        int systeme) override;
  qint64 Commencer(const EntreeJournal& entree) override;
  void Marquer(qint64 numero, EtatImport etat, const QString& numeroDocument = {}) override;
  std::vector<EntreeJournal> Lister() override;
  Revendication Revendiquer(const EntreeJournal& entree, bool forcer) override;
  bool AttendreFin(qint64 numero, std::chrono::milliseconds delai) override;
  void Relacher(qint64 numero, bool oublier) override;
  QString Identite() override;

  const QString& Chemin() const { return chemin_; }

  // The user's journal: beside the settings (BRIVANE_CONFIG_DIR moves both).
  static QString CheminParDefaut();

 private:
  void Ouvrir();
  // The file whose bytes are the claims' locks, beside the journal.
  void OuvrirVerrous();
  // The reason for a failed SQLite call; a connection that can no longer
  // write is closed, so that the next operation opens the journal afresh.
  QString Raison(int code, int codeSysteme);
  // A failed statement, in the journal's words (see Raison).
  ErreurJournal Traduire(const platform::sqlite::ErreurSqlite& e);
  void Fermer();
  // Runs sql; throws ErreurJournal.
  void Executer(const char* sql);
  // Runs corps inside one write transaction, committed when it returns true
  // and rolled back otherwise. A failure is put in words before the rollback
  // (the connection is then as it failed) and thrown as ErreurJournal.
  void Transaction(const std::function<bool()>& corps);
  // Rolls back what is open; a failure only closes a connection that can no
  // longer write (see Raison).
  void Annuler();
  // Takes the lock that says "this claim's import is alive"; false when
  // another import holds it.
  bool Tenir(qint64 numero);
  void Lacher(qint64 numero);

  QString chemin_;
  sqlite3* db_ = nullptr;
  // One byte locked per claim held, at the claim's number: the system lets
  // it go with the process, so a claim whose byte is free was left by an
  // import that stopped.
  std::unique_ptr<os::Fichier> verrous_;
  std::set<qint64> tenus_;
};

}  // namespace brivane
