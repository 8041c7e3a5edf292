#include "dbf/InstructionsPreparees.h"

namespace brivane::dbf {

void InstructionsPreparees::Vider() {
  for (Gardee* gardee : std::as_const(formes_)) {
    sqlite3_finalize(gardee->instruction);
    delete gardee;
  }
  formes_.clear();
  sqlite3_finalize(conversion_);
  conversion_ = nullptr;
  reels_.clear();
}

// SQLite's own reading of a real literal: a cast of the same text goes
// through the same conversion, which is not always the correctly rounded
// one that the C++ library gives.
bool InstructionsPreparees::Reel(QByteArrayView nombre, double& valeur) {
  std::string cle(nombre.data(), static_cast<std::size_t>(nombre.size()));
  if (const auto it = reels_.find(cle); it != reels_.end()) {
    valeur = it->second;
    return true;
  }
  if (conversion_ == nullptr &&
      sqlite3_prepare_v2(db_, "select cast(?1 as real)", -1, &conversion_, nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_text(conversion_, 1, nombre.data(), static_cast<int>(nombre.size()), SQLITE_STATIC);
  const bool lu = sqlite3_step(conversion_) == SQLITE_ROW &&
                  sqlite3_column_type(conversion_, 0) == SQLITE_FLOAT;
  if (lu) {
    valeur = sqlite3_column_double(conversion_, 0);
  }
  Relacher(conversion_);
  if (lu && reels_.size() < 4096) {
    reels_.emplace(std::move(cle), valeur);
  }
  return lu;
}

InstructionsPreparees::Gardee* InstructionsPreparees::Lier(const FormeInstruction& forme) {
  auto it = formes_.find(forme.forme);
  if (it == formes_.end()) {
    if (formes_.size() >= kFormesMax) {
      Vider();
    }
    sqlite3_stmt* statement = nullptr;
    const char* reste = nullptr;
    if (sqlite3_prepare_v2(db_, forme.forme.constData(), static_cast<int>(forme.forme.size()),
                           &statement, &reste) != SQLITE_OK ||
        statement == nullptr || !QByteArray(reste).trimmed().isEmpty() ||
        sqlite3_bind_parameter_count(statement) != static_cast<int>(forme.litteraux.size())) {
      sqlite3_finalize(statement);
      statement = nullptr;
    }
    it = formes_.insert(forme.forme, new Gardee{statement, {}});
  }
  sqlite3_stmt* statement = it.value()->instruction;
  if (statement == nullptr) {
    return nullptr;
  }
  int rc = SQLITE_OK;
  for (std::size_t i = 0; i < forme.litteraux.size() && rc == SQLITE_OK; ++i) {
    const LitteralSql& l = forme.litteraux[i];
    const int rang = static_cast<int>(i) + 1;
    switch (l.sorte) {
      case LitteralSql::Sorte::Entier:
        rc = sqlite3_bind_int64(statement, rang, l.entier);
        break;
      case LitteralSql::Sorte::Reel: {
        double valeur = 0;
        rc = Reel(forme.Octets(l), valeur)
                 ? sqlite3_bind_double(statement, rang, l.negatif ? -valeur : valeur)
                 : SQLITE_ERROR;
        break;
      }
      case LitteralSql::Sorte::Texte: {
        const QByteArrayView texte = forme.Octets(l);
        rc = sqlite3_bind_text(statement, rang, texte.data(), static_cast<int>(texte.size()),
                               SQLITE_STATIC);
        break;
      }
      case LitteralSql::Sorte::Nul:
        rc = sqlite3_bind_null(statement, rang);
        break;
    }
  }
  if (rc != SQLITE_OK) {
    Relacher(statement);
    return nullptr;
  }
  return it.value();
}

}  // namespace brivane::dbf
