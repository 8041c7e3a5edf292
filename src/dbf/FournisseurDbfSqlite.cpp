#include "dbf/FournisseurDbfSqlite.h"

#include "dbf/BaseDbf.h"
#include "platform/ErreurBaseDonnees.h"

namespace brivane::dbf {

std::unique_ptr<platform::BaseDonnees> FournisseurDbfSqlite::Open(const QString& connectionString) {
  static const QString kSource = QStringLiteral("Data Source=");
  const qsizetype at = connectionString.indexOf(kSource, 0, Qt::CaseInsensitive);
  if (at < 0) {
    throw platform::ErreurBaseDonnees(
        platform::ErreurBaseDonnees::kCannotOpen,
        QStringLiteral("La chaîne de connexion ne nomme aucun dossier."));
  }
  return std::make_unique<BaseDbf>(fichiers_, connectionString.mid(at + kSource.size()),
                                   writeWait_);
}

}  // namespace brivane::dbf
