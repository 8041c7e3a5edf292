#include "platform/FichierTexte.h"

#include "platform/Deplacement.h"
#include "platform/ErreurSysteme.h"
#include "platform/NomFichier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace brivane::platform {

namespace {

QString Systeme(int erreur) { return QString::fromStdString(TexteErreurSysteme(erreur)); }

// Why a path that stat or open refused names no file we can read.
QString RaisonOuverture(int erreur, bool ouverture) {
  switch (erreur) {
    case ENOENT:
      return QStringLiteral("le fichier n'existe pas");
    case EACCES:
      return ouverture ? QStringLiteral("vous n'avez pas la permission de lire ce fichier")
                       : QStringLiteral(
                             "vous n'avez pas la permission d'entrer dans le dossier qui le "
                             "contient");
    default:
      return Systeme(erreur);
  }
}

// Why a file of this kind is not read, or an empty text when it is a regular file.
QString RaisonType(mode_t mode) {
  if (S_ISREG(mode)) {
    return {};
  }
  if (S_ISDIR(mode)) {
    return QStringLiteral("c'est un dossier et non un fichier");
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return QStringLiteral("c'est un périphérique et non un fichier");
  }
  if (S_ISFIFO(mode)) {
    return QStringLiteral("c'est un tube nommé (FIFO) et non un fichier");
  }
  if (S_ISSOCK(mode)) {
    return QStringLiteral("c'est une prise de communication (socket) et non un fichier");
  }
  return QStringLiteral("ce n'est pas un fichier ordinaire");
}

QString RaisonTaille(qint64 taille) {
  return QStringLiteral("il fait %1 octets, plus que les %2 Mo permis pour une facture")
      .arg(QString::number(taille), QString::number(kTailleMaximaleFichier / (1024 * 1024)));
}

QByteArray DossierDe(const QByteArray& chemin) {
  const qsizetype i = chemin.lastIndexOf('/');
  if (i < 0) {
    return QByteArrayLiteral(".");
  }
  return i == 0 ? QByteArrayLiteral("/") : chemin.left(i);
}

}  // namespace

std::optional<QByteArray> QtLecteurFichier::LireOctets(const QString& chemin,
                                                       QString& raison) const {
  const QByteArray nom = EncoderNom(chemin);
  if (nom.isEmpty() || nom.contains('\0')) {
    raison = RaisonOuverture(ENOENT, false);
    return std::nullopt;
  }
  // The kind and size are known before opening: a FIFO without a writer would
  // block the open, a device would never end.
  struct stat etat {};
  if (::stat(nom.constData(), &etat) != 0) {
    raison = RaisonOuverture(errno, false);
    return std::nullopt;
  }
  raison = RaisonType(etat.st_mode);
  if (!raison.isEmpty()) {
    return std::nullopt;
  }
  if (etat.st_size > kTailleMaximaleFichier) {
    raison = RaisonTaille(etat.st_size);
    return std::nullopt;
  }
  const int fd = ::open(nom.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    raison = RaisonOuverture(errno, true);
    return std::nullopt;
  }
  // The path may have been replaced between the two looks: judge what is open.
  if (::fstat(fd, &etat) != 0 || !(raison = RaisonType(etat.st_mode)).isEmpty()) {
    if (raison.isEmpty()) {
      raison = Systeme(errno);
    }
    ::close(fd);
    return std::nullopt;
  }
  QByteArray octets;
  octets.resize(static_cast<qsizetype>(etat.st_size) + 1);
  qsizetype lus = 0;
  for (;;) {
    if (lus == octets.size()) {
      if (lus > kTailleMaximaleFichier) {
        raison = RaisonTaille(lus);
        ::close(fd);
        return std::nullopt;
      }
      octets.resize(std::min<qsizetype>(lus * 2 + 4096, kTailleMaximaleFichier + 1));
    }
    const ssize_t n = ::read(fd, octets.data() + lus, static_cast<size_t>(octets.size() - lus));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      raison = Systeme(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) {
      break;
    }
    lus += n;
  }
  ::close(fd);
  octets.truncate(lus);
  return octets;
}

bool QtDeplaceurFichier::PeutRecevoir(const QString& source, const QString& cible,
                                      QString& raison) const {
  const QByteArray nomCible = EncoderNom(cible);
  const QByteArray dossier = DossierDe(nomCible);
  const QString affiche = DecoderNom(dossier);
  struct stat etatDossier {};
  if (::stat(dossier.constData(), &etatDossier) != 0) {
    const int e = errno;
    raison =
        e == ENOENT
            ? QStringLiteral("le dossier des fichiers traités « %1 » n'existe pas").arg(affiche)
            : QStringLiteral(
                  "le dossier des fichiers traités « %1 » est "
                  "inaccessible : %2")
                  .arg(affiche, Systeme(e));
    return false;
  }
  if (!S_ISDIR(etatDossier.st_mode)) {
    raison = QStringLiteral(
                 "« %1 », donné comme dossier des fichiers traités, n'est pas un "
                 "dossier")
                 .arg(affiche);
    return false;
  }
  if (::access(dossier.constData(), W_OK | X_OK) != 0) {
    const int e = errno;
    raison = e == EACCES ? QStringLiteral(
                               "vous n'avez pas la permission d'écrire dans le "
                               "dossier des fichiers traités « %1 »")
                               .arg(affiche)
                         : QStringLiteral(
                               "le dossier des fichiers traités « %1 » ne peut pas "
                               "recevoir de fichier : %2")
                               .arg(affiche, Systeme(e));
    return false;
  }
  struct stat etatSource {};
  if (::stat(DossierDe(EncoderNom(source)).constData(), &etatSource) == 0 &&
      etatSource.st_dev == etatDossier.st_dev && etatSource.st_ino == etatDossier.st_ino) {
    raison = QStringLiteral(
                 "le dossier des fichiers traités « %1 » est celui où se trouve déjà "
                 "le fichier")
                 .arg(affiche);
    return false;
  }
  struct stat etatCible {};
  if (::lstat(nomCible.constData(), &etatCible) == 0) {
    raison = QStringLiteral(
                 "un fichier de ce nom existe déjà dans le dossier des fichiers "
                 "traités « %1 »")
                 .arg(affiche);
    return false;
  }
  return true;
}

bool QtDeplaceurFichier::Deplacer(const QString& source, const QString& cible, QString& raison) {
  const int erreur = DeplacerSansEcraser(EncoderNom(source), EncoderNom(cible));
  switch (erreur) {
    case 0:
      return true;
    case ENOENT: {
      struct stat etat {};
      raison = ::lstat(EncoderNom(source).constData(), &etat) != 0
                   ? QStringLiteral("le fichier n'existe plus à son emplacement")
                   : QStringLiteral("le dossier de destination n'existe pas");
      return false;
    }
    case EEXIST:
      raison = QStringLiteral("un fichier de ce nom existe déjà dans le dossier de destination");
      return false;
    default:
      raison = Systeme(erreur);
      return false;
  }
}

}  // namespace brivane::platform
