#include "dbf/SqliteDbfProvider.h"

#include "dbf/DbfDatabase.h"
#include "platform/DatabaseError.h"

namespace brivane::dbf {

std::unique_ptr<platform::Database> SqliteDbfProvider::Open(const QString& connectionString) {
  static const QString kSource = QStringLiteral("Data Source=");
  const qsizetype at = connectionString.indexOf(kSource, 0, Qt::CaseInsensitive);
  if (at < 0) {
    throw platform::DatabaseError(platform::DatabaseError::kCannotOpen,
                                  QStringLiteral("La chaîne de connexion ne nomme aucun dossier."));
  }
  return std::make_unique<DbfDatabase>(connectionString.mid(at + kSource.size()), writeWait_);
}

}  // namespace brivane::dbf
