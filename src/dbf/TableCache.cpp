#include "dbf/TableCache.h"

#include "platform/DatabaseError.h"

namespace brivane::dbf {

using platform::DatabaseError;

// Opens the table and checks it still has the columns declared.
std::unique_ptr<DbfTable> OpenDeclared(const TableInfo& info) {
  auto table = DbfTable::Open(info.path, DbfTable::Mode::Read);
  if (table->fields() != info.fields) {
    throw DatabaseError(
        DatabaseError::kCorruptTable,
        QStringLiteral("Les colonnes de la table %1 ont changé depuis l'ouverture du dossier.")
            .arg(info.name));
  }
  return table;
}

DbfTable& TableCache::Reader(const TableInfo& info, std::size_t index, bool locked) {
  Cached& cached = readers_[index];
  if (cached.table && locked) {
    return *cached.table;
  }
  const KeyIndex::Stamp stamp = os::IdentityOf(SystemPath(info.path));
  if (!cached.table || !stamp || cached.stamp != stamp) {
    cached.table.reset();
    // The stamp is taken before the file is read: a write that comes during
    // the reading leaves the reader out of date, never wrongly current.
    cached.table = OpenDeclared(info);
    cached.stamp = stamp;
  }
  return *cached.table;
}

void TableCache::Keep(std::size_t index, std::unique_ptr<DbfTable> table, KeyIndex::Stamp stamp) {
  readers_[index] = {std::move(table), stamp};
}

}  // namespace brivane::dbf
