#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct sqlite3;

namespace brivane {

namespace os {
class Fichier;
}  // namespace os

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
// Every operation returns false (or 0) with a French reason in raison when the
// journal cannot be opened, read or written.
class JournalImport {
 public:
  virtual ~JournalImport() = default;
  // The latest import of that content into that company that was not
  // refused, or nothing.
  virtual bool Chercher(const QString& empreinte, const QString& compagnie, int systeme,
                        std::optional<EntreeJournal>& trouvee, QString& raison) = 0;
  // Writes the entry as en cours, on disk when this returns; its number, or 0.
  virtual qint64 Commencer(const EntreeJournal& entree, QString& raison) = 0;
  // Moves the entry to a new state, on disk when this returns, with the
  // invoice number when one is given. déplacée and refusée end its claim.
  virtual bool Marquer(qint64 numero, EtatImport etat, QString& raison,
                       const QString& numeroDocument = {}) = 0;
  // Looks the content up and, unless another import is posting it or (without
  // forcer) it was posted before, claims it for this run: one write
  // transaction, so that of any number of imports of one content into one
  // company, one at a time holds the claim. The claim lasts until Marquer
  // gives the entry its last state, Relacher, or the end of the process.
  virtual bool Revendiquer(const EntreeJournal& entree, bool forcer, Revendication& resultat,
                           QString& raison) = 0;
  // Waits at most delai for the import holding the claim of that entry to
  // end; true when it has.
  virtual bool AttendreFin(qint64 numero, std::chrono::milliseconds delai) = 0;
  // Gives a claim up without posting: the entry is forgotten when this run
  // wrote it (oublier), otherwise left en cours for a later import.
  virtual bool Relacher(qint64 numero, bool oublier, QString& raison) = 0;
  // What tells this journal from any other, made with it: a company's record
  // of an import names the journal that numbered it.
  virtual bool Identite(QString& identite, QString& raison) = 0;
  // Every entry, newest first.
  virtual bool Lister(std::vector<EntreeJournal>& entrees, QString& raison) = 0;
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

  bool Chercher(const QString& empreinte, const QString& compagnie, int systeme,
                std::optional<EntreeJournal>& trouvee, QString& raison) override;
  qint64 Commencer(const EntreeJournal& entree, QString& raison) override;
  bool Marquer(qint64 numero, EtatImport etat, QString& raison,
               const QString& numeroDocument = {}) override;
  bool Lister(std::vector<EntreeJournal>& entrees, QString& raison) override;
  bool Revendiquer(const EntreeJournal& entree, bool forcer, Revendication& resultat,
                   QString& raison) override;
  bool AttendreFin(qint64 numero, std::chrono::milliseconds delai) override;
  bool Relacher(qint64 numero, bool oublier, QString& raison) override;
  bool Identite(QString& identite, QString& raison) override;

  const QString& Chemin() const { return chemin_; }

  // The user's journal: beside the settings (BRIVANE_CONFIG_DIR moves both).
  static QString CheminParDefaut();

 private:
  bool Ouvrir(QString& raison);
  // The reason for a failed statement; a connection that can no longer write
  // is closed, so that the next operation opens the journal afresh.
  QString Raison(int code);
  void Fermer();
  bool Executer(const char* sql, QString& raison);
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
