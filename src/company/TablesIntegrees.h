#pragma once

#include <QString>

#include <vector>

namespace brivane::company::integre {

// The columns the record objects of the built-in company read and write, and
// the key they search on. The tables themselves are made by the schema of
// BaseCompagnie; a test checks these lists against it.
enum class Type { Entier, Texte, Reel };

struct Colonne {
  QString nom;
  Type type;
  bool nulle = false;  // unwritten stays NULL instead of taking a default
};

struct Table {
  QString nom;
  QString cle;  // column of search key 1; empty when the table has none
  std::vector<Colonne> colonnes;
  bool connexionRequise = true;
  bool lectureSeule = false;
};

const Table& TableUtilisateur();
const Table& TableClient();
const Table& TableProduit();
const Table& TableGroupe();
const Table& TableTaxe();
const Table& TableVendeur();
const Table& TableCompagnie();
const Table& TableTransaction();
// Every table above.
const std::vector<const Table*>& Tables();

}  // namespace brivane::company::integre
