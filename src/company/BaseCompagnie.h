#pragma once

#include "company/ErreurBase.h"
#include "company/Requete.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <exception>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The built-in company's storage: one SQLite database file inside the company
// folder. See docs/built-in-company.md for its tables.
namespace brivane::acomba {

class BaseCompagnie final {
 public:
  static constexpr auto kNomFichier = u"compagnie.sqlite";
  // Identifies our files among SQLite databases, and the layout version.
  static constexpr std::int32_t kIdentifiantApplication = 0x42524956;  // "BRIV"
  static constexpr std::int32_t kVersionSchema = 1;

  // How long a statement waits for another program's write to end before the
  // company is reported busy: longer than a large posting takes.
  static constexpr int kAttenteOccupeeMs = 20000;

  static QString CheminFichier(const QString& dossier);

  // Opens the company of dossier after the checks that cost the same at any
  // size: our application id, a known layout version, every table as we
  // create it. Damage elsewhere shows when a statement meets it (status
  // kCompagnieEndommagee) or through Verifier. Throws ErreurBase with the
  // status to report.
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
  template <class F>
  void Transaction(F&& f) {
    Executer(QStringLiteral("BEGIN IMMEDIATE"));
    try {
      f();
      Executer(QStringLiteral("COMMIT"));
    } catch (...) {
      Annuler();
      throw;
    }
  }

 private:
  explicit BaseCompagnie(sqlite3* db) : db_(db) {}
  // Our application id, a layout version we know, each table as created.
  // Throws ErreurBase.
  void VerifierIdentite(const QString& chemin) const;
  void Annuler() noexcept;

  sqlite3* db_;
};

}  // namespace brivane::acomba
