#include "platform/FichierTexte.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace brivane::platform {

std::optional<QByteArray> QtLecteurFichier::LireOctets(const QString& chemin,
                                                       QString& raison) const {
  if (QFileInfo(chemin).isDir()) {
    raison = QStringLiteral("c'est un dossier et non un fichier");
    return std::nullopt;
  }
  QFile fichier(chemin);
  if (!fichier.open(QIODevice::ReadOnly)) {
    const int erreur = errno;
    if (!QFileInfo::exists(chemin)) {
      raison = QStringLiteral("le fichier n'existe pas");
    } else if (erreur == EACCES || erreur == EPERM) {
      raison = QStringLiteral("vous n'avez pas la permission de lire ce fichier");
    } else {
      // The system's words stay as a detail for whoever fixes the cause.
      raison = QStringLiteral("il ne peut pas être ouvert (%1)").arg(fichier.errorString());
    }
    return std::nullopt;
  }
  QByteArray octets = fichier.readAll();
  if (fichier.error() != QFileDevice::NoError) {
    raison = fichier.errorString();
    return std::nullopt;
  }
  return octets;
}

bool QtDeplaceurFichier::Deplacer(const QString& source, const QString& cible, QString& raison) {
  const QFileInfo infoSource(source);
  if (!infoSource.exists()) {
    raison = QStringLiteral("le fichier n'existe plus à son emplacement");
    return false;
  }
  const QFileInfo infoCible(cible);
  if (infoCible.exists() || infoCible.isSymLink()) {
    raison = QStringLiteral("un fichier de ce nom existe déjà dans le dossier de destination");
    return false;
  }
  if (!infoCible.absoluteDir().exists()) {
    raison = QStringLiteral("le dossier de destination n'existe pas");
    return false;
  }
  // QFile::rename never overwrites an existing target.
  QFile fichier(source);
  if (!fichier.rename(cible)) {
    raison = fichier.errorString();
    return false;
  }
  return true;
}

}  // namespace brivane::platform
