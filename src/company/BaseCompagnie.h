#pragma once

#include "company/ErreurBase.h"
#include "platform/sqlite/RequeteSqlite.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

// The built-in company's storage: one SQLite database file inside the company
// folder. See docs/built-in-company.md for its tables.
namespace brivane::company {

// The company's statements: each failure throws platform::sqlite::ErreurSqlite,
// made an ErreurBase where the company hands it on (TraduireSqlite).
using Requete = platform::sqlite::RequeteSqlite;

class BaseCompagnie final {
 public:
  static constexpr auto kNomFichier = u"compagnie.sqlite";
  // Identifies our files among SQLite databases, and the layout version.
  static constexpr std::int32_t kIdentifiantApplication = 0x42524956;  // "BRIV"
  // 2: the record of imports (table importation) was added to layout 1.
  static constexpr std::int32_t kVersionSchema = 2;

  // How long a statement waits for another program's write to end before the
  // company is reported busy: longer than a large posting takes.
  static constexpr int kAttenteOccupeeMs = 20000;

  static QString CheminFichier(const QString& dossier);

  // Opens the company of dossier after the checks that cost the same at any
  // size: our application id, a known layout version, every table as we
  // create it. Damage elsewhere shows when a statement meets it (status
  // kCompagnieEndommagee) or through Verifier. An opening for writing brings
  // an older layout up to date, in one transaction. Throws ErreurBase with
  // the status to report.
  static std::unique_ptr<BaseCompagnie> Ouvrir(const QString& dossier, bool lectureSeule = false);
  // The full check of a company, reading every page: what Ouvrir checks, then
  // SQLite's integrity check (tables against their indexes included) and the
  // references between tables. One French line per problem found; empty when
  // the company is sound. Throws ErreurBase when the file cannot be read.
  static QStringList Verifier(const QString& dossier);
  // Creates an empty company (tables, company record) in an existing folder.
  // Refuses a folder that already holds a company file. Throws ErreurBase.
  static std::unique_ptr<BaseCompagnie> Creer(const QString& dossier, const QString& nom);

  ~BaseCompagnie();
  BaseCompagnie(const BaseCompagnie&) = delete;
  BaseCompagnie& operator=(const BaseCompagnie&) = delete;

  sqlite3* db() const { return db_; }
  void Executer(const QString& sql);
  std::int64_t DerniereInsertion() const;
  int Changements() const;

  // Runs f inside one write transaction: all of it reaches the file, or none.
  // Inside the posting's transaction, a savepoint: f is undone alone on
  // failure and the posting goes on. Throws ErreurBase.
  template <class F>
  void Transaction(F&& f) {
    if (postage_ == Postage::Ouvert) {
      Executer(QStringLiteral("SAVEPOINT enregistrement"));
      try {
        TraduireSqlite(f);
        Executer(QStringLiteral("RELEASE enregistrement"));
      } catch (const ErreurBase& e) {
        AnnulerEnregistrement(e.statut());
        throw;
      } catch (...) {
        AnnulerEnregistrement(statuts::kErreurBase);
        throw;
      }
      return;
    }
    Executer(QStringLiteral("BEGIN IMMEDIATE"));
    try {
      TraduireSqlite(f);
      Executer(QStringLiteral("COMMIT"));
    } catch (...) {
      Annuler();
      throw;
    }
  }

  // A posting is one write transaction, from its first write to
  // ValiderPostage: a kill anywhere leaves nothing of it, and it syncs once.
  // Starts it unless started (waiting kAttenteOccupeeMs for another
  // program's). Throws ErreurBase, also when SQLite already undid this
  // posting after a failed write.
  void OuvrirPostage();
  // Runs f as one write of the posting, undone alone when it fails.
  template <class F>
  void Ecriture(F&& f) {
    OuvrirPostage();
    Transaction(std::forward<F>(f));
  }
  // Commits the posting; nothing to do when none is open. Throws ErreurBase
  // with nothing of the posting kept when it cannot.
  void ValiderPostage();
  // Rolls the posting back; true when a posting was open.
  bool AnnulerPostage() noexcept;
  bool PostageOuvert() const { return postage_ == Postage::Ouvert; }

 private:
  explicit BaseCompagnie(sqlite3* db) : db_(db) {}
  // Our application id, a layout version we know, each table as created.
  // Throws ErreurBase.
  void VerifierIdentite(const QString& chemin) const;
  void Annuler() noexcept;
  // A write of the posting failed: its savepoint is rolled back, or the
  // posting is marked lost when SQLite rolled the whole of it back.
  void AnnulerEnregistrement(std::int32_t statut) noexcept;
  // Brings a company of layout 1 to the current one.
  void Migrer();

  enum class Postage { Aucun, Ouvert, Perdu };

  sqlite3* db_;
  Postage postage_ = Postage::Aucun;
  std::int32_t statutPerte_ = 0;  // of the failure that lost the posting
};

}  // namespace brivane::company
