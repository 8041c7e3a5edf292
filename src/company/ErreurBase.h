#pragma once

#include "platform/Erreur.h"
#include "platform/sqlite/ErreurSqlite.h"

#include <QString>

#include <cstdint>
#include <utility>

struct sqlite3;

namespace brivane::company {

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
  // A failed statement, as the status of its result code, in SQLite's words.
  explicit ErreurBase(const platform::sqlite::ErreurSqlite& e);
  std::int32_t statut() const { return numero(); }
  const QString& detail() const { return description(); }
};

// The built-in status for an SQLite result code.
std::int32_t StatutSqlite(int code);
// Throws the ErreurBase of an SQLite result code, with the connection's
// message when there is a connection.
[[noreturn]] void EchecSqlite(sqlite3* db, int code);

// Runs f; a statement that fails in it is thrown as the company's ErreurBase,
// what every caller of the company catches.
template <class F>
decltype(auto) TraduireSqlite(F&& f) {
  try {
    return std::forward<F>(f)();
  } catch (const platform::sqlite::ErreurSqlite& e) {
    throw ErreurBase(e);
  }
}

}  // namespace brivane::company
