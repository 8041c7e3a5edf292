#pragma once

#include "platform/Erreur.h"

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

// Statuses of the built-in company, beside 0 (success) and 10 (not found).
namespace statuts {
inline constexpr std::int32_t kCleEnDouble = 1001;
inline constexpr std::int32_t kMotDePasseInvalide = 1002;
inline constexpr std::int32_t kPasUneCompagnie = 1003;
inline constexpr std::int32_t kAjoutSansReservation = 1004;
inline constexpr std::int32_t kModificationSansReservation = 1005;
inline constexpr std::int32_t kCompagnieEndommagee = 1006;
inline constexpr std::int32_t kCompagnieFermee = 1007;
inline constexpr std::int32_t kNonConnecte = 1008;
inline constexpr std::int32_t kCleInconnue = 1009;
inline constexpr std::int32_t kValeurRefusee = 1010;
inline constexpr std::int32_t kAccesImpossible = 1011;
inline constexpr std::int32_t kDemarrageRefuse = 1012;
inline constexpr std::int32_t kCompagnieOccupee = 1013;
inline constexpr std::int32_t kPlageInvalide = 1014;
inline constexpr std::int32_t kVersionInconnue = 1015;
inline constexpr std::int32_t kReferenceInexistante = 1016;
inline constexpr std::int32_t kLignesIncoherentes = 1017;
inline constexpr std::int32_t kOperationRefusee = 1018;
inline constexpr std::int32_t kErreurBase = 1019;
inline constexpr std::int32_t kDisquePlein = 1020;
inline constexpr std::int32_t kLectureSeule = 1021;
}  // namespace statuts

// The French text of a built-in status ("Erreur inconnue." for numbers it
// does not give).
QString TexteStatut(std::int32_t statut);

// A failure of the database, as the status the built-in company gives for it.
class ErreurBase : public platform::Erreur {
 public:
  using Erreur::Erreur;
  std::int32_t statut() const { return numero(); }
  const QString& detail() const { return description(); }
};

// One prepared statement. Values are bound by 1-based index; a null QVariant
// binds NULL. Every failure throws ErreurBase.
class Requete final {
 public:
  Requete(sqlite3* db, const QString& sql);
  ~Requete();
  Requete(const Requete&) = delete;
  Requete& operator=(const Requete&) = delete;

  Requete& Lier(int index, const QVariant& valeur);
  Requete& LierEntier(int index, std::int64_t valeur);
  Requete& LierReel(int index, double valeur);
  Requete& LierTexte(int index, const QString& valeur);
  Requete& LierNul(int index);
  // Steps once: true when a row is available.
  bool Suivante();
  // Steps to the end.
  void Executer();
  // Ready to run again with new values.
  void Reinitialiser();

  int NombreColonnes() const;
  QString NomColonne(int i) const;
  // Null columns read as a null QVariant; integers as qint64, reals as
  // double, texts as QString.
  QVariant Valeur(int i) const;
  qint64 Entier(int i) const;
  QString Texte(int i) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

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
