#pragma once

#include "platform/Erreur.h"

#include <QString>

#include <utility>

struct sqlite3;

namespace brivane::platform::sqlite {

// A failed SQLite call: SQLite's result code (its number), the system's error
// number behind it when there is one, and SQLite's own words for it. Each
// layer turns the code into its own French text where it reports it.
class ErreurSqlite : public Erreur {
 public:
  ErreurSqlite(int code, int codeSysteme, QString message)
      : Erreur(code, std::move(message)), codeSysteme_(codeSysteme) {}

  // The failure that code reports, in the words of the connection db when
  // there is one (nullptr: none was opened).
  static ErreurSqlite De(sqlite3* db, int code);

  int code() const { return numero(); }
  // errno (or the system's own number) of the failure; 0 when none.
  int codeSysteme() const { return codeSysteme_; }

 private:
  int codeSysteme_;
};

}  // namespace brivane::platform::sqlite
