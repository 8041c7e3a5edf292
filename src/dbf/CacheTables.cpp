#include "dbf/CacheTables.h"

#include "platform/ErreurBaseDonnees.h"

namespace brivane::dbf {

using platform::ErreurBaseDonnees;

// Opens the table and checks it still has the columns declared.
std::unique_ptr<TableDbf> OuvrirDeclaree(const InfoTable& info) {
  auto table = TableDbf::Ouvrir(info.path);
  if (table->fields() != info.fields) {
    throw ErreurBaseDonnees(
        ErreurBaseDonnees::kCorruptTable,
        QStringLiteral("Les colonnes de la table %1 ont changé depuis l'ouverture du dossier.")
            .arg(info.name));
  }
  return table;
}

TableDbf& CacheTables::Reader(const InfoTable& info, std::size_t index, bool locked) {
  Cached& cached = readers_[index];
  if (cached.table && locked) {
    return *cached.table;
  }
  const IndexCles::Stamp stamp = os::IdentiteChemin(CheminSysteme(info.path));
  if (!cached.table || !stamp || cached.stamp != stamp) {
    cached.table.reset();
    // The stamp is taken before the file is read: a write that comes during
    // the reading leaves the reader out of date, never wrongly current.
    cached.table = OuvrirDeclaree(info);
    cached.stamp = stamp;
  }
  return *cached.table;
}

void CacheTables::Keep(std::size_t index, std::unique_ptr<TableDbf> table, IndexCles::Stamp stamp) {
  readers_[index] = {std::move(table), stamp};
}

}  // namespace brivane::dbf
