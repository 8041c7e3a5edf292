#pragma once

#include "dbf/TableDbf.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace brivane::dbase {

// A company folder to try postings on: the six tables the back end reads and
// writes, with every column it writes (types and widths in
// docs/dbase-tables.md), empty but for the invoice counter and the provincial rate.
struct DossierDemoDbf {
  struct Table {
    QString nom;
    std::vector<dbf::ChampDbf> champs;
  };

  std::int32_t compteur = 1;        // solde.snexts
  double tauxProvincial = 0.09975;  // taxpro.taxprc1

  // The tables, in the order created.
  static const std::vector<Table>& Tables();

  // Creates the folder if needed and the six tables in it. Refuses (throws
  // platform::ErreurBaseDonnees) when one of them already exists: a company's
  // data is never overwritten.
  void Creer(const QString& dossier) const;
};

}  // namespace brivane::dbase
