#include "targets/Targets.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace brivane::fuzz {

void Echec(const char* cible, const QString& quoi) {
  std::fprintf(stderr, "fuzz %s: %s\n", cible, quoi.toUtf8().constData());
  std::fflush(stderr);
  std::abort();
}

QString DossierTemporaire() {
  // Under $TMPDIR, like every file a target writes.
  static QTemporaryDir dossier;
  if (!dossier.isValid()) {
    Echec("commun", QStringLiteral("aucun dossier temporaire : ") + dossier.errorString());
  }
  return dossier.path();
}

}  // namespace brivane::fuzz
