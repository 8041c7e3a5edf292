#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

namespace brivane::company {

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

}  // namespace brivane::company
