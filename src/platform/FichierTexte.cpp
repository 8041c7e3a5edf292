#include "platform/FichierTexte.h"

#include "platform/Deplacement.h"
#include "platform/NomFichier.h"
#include "platform/os/Systeme.h"

#include "platform/os/Fichier.h"

#include <algorithm>
#include <cerrno>

namespace brivane::platform {

namespace {

QString Systeme(int erreur) { return QString::fromStdString(os::TexteErreurFrancais(erreur)); }

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
QString RaisonType(os::TypeEntree type) {
  switch (type) {
    case os::TypeEntree::Regular:
      return {};
    case os::TypeEntree::Directory:
      return QStringLiteral("c'est un dossier et non un fichier");
    case os::TypeEntree::Device:
      return QStringLiteral("c'est un périphérique et non un fichier");
    case os::TypeEntree::Fifo:
      return QStringLiteral("c'est un tube nommé (FIFO) et non un fichier");
    case os::TypeEntree::Socket:
      return QStringLiteral("c'est une prise de communication (socket) et non un fichier");
    case os::TypeEntree::Other:
      break;
  }
  return QStringLiteral("ce n'est pas un fichier ordinaire");
}

QString RaisonTaille(qint64 taille) {
  return QStringLiteral("il fait %1 octets, plus que les %2 Mo permis pour une facture")
      .arg(QString::number(taille), QString::number(kTailleMaximaleFichier / (1024 * 1024)));
}

QByteArray DossierDe(const QByteArray& chemin) {
  return QByteArray::fromStdString(os::DossierParent(chemin.toStdString()));
}

}  // namespace

std::optional<QByteArray> LecteurFichierQt::LireOctets(const QString& chemin,
                                                       QString& raison) const {
  const QByteArray nom = EncoderNom(chemin);
  if (nom.isEmpty() || nom.contains('\0')) {
    raison = RaisonOuverture(ENOENT, false);
    return std::nullopt;
  }
  // The kind and size are known before opening: a FIFO without a writer would
  // block the open, a device would never end.
  os::EtatFichier avant;
  try {
    avant = os::EtatChemin(nom.toStdString());
  } catch (const os::ErreurOs& e) {
    raison = RaisonOuverture(e.code(), false);
    return std::nullopt;
  }
  try {
    raison = RaisonType(avant.type);
    if (!raison.isEmpty()) {
      return std::nullopt;
    }
    if (avant.size > static_cast<std::uint64_t>(kTailleMaximaleFichier)) {
      raison = RaisonTaille(static_cast<qint64>(avant.size));
      return std::nullopt;
    }
    std::unique_ptr<os::Fichier> fichier;
    try {
      fichier = os::Fichier::Ouvrir(nom.toStdString(), os::Fichier::Mode::Lecture);
    } catch (const os::ErreurOs& e) {
      raison = RaisonOuverture(e.code(), true);
      return std::nullopt;
    }
    // The path may have been replaced between the two looks: judge what is open.
    const os::EtatFichier ouvert = fichier->Etat();
    raison = RaisonType(ouvert.type);
    if (!raison.isEmpty()) {
      return std::nullopt;
    }
    QByteArray octets;
    octets.resize(static_cast<qsizetype>(std::min<std::uint64_t>(
                      ouvert.size, static_cast<std::uint64_t>(kTailleMaximaleFichier))) +
                  1);
    qsizetype lus = 0;
    for (;;) {
      if (lus == octets.size()) {
        if (lus > kTailleMaximaleFichier) {
          raison = RaisonTaille(lus);
          return std::nullopt;
        }
        octets.resize(std::min<qsizetype>(lus * 2 + 4096, kTailleMaximaleFichier + 1));
      }
      const std::size_t n = fichier->LireA(static_cast<std::uint64_t>(lus), octets.data() + lus,
                                           static_cast<std::size_t>(octets.size() - lus));
      if (n == 0) {
        break;
      }
      lus += static_cast<qsizetype>(n);
    }
    octets.truncate(lus);
    return octets;
  } catch (const os::ErreurOs& e) {
    raison = Systeme(e.code());
    return std::nullopt;
  }
}

bool DeplaceurFichierQt::PeutRecevoir(const QString& source, const QString& cible,
                                      QString& raison) const {
  const QByteArray nomCible = EncoderNom(cible);
  const QByteArray dossier = DossierDe(nomCible);
  const QString affiche = DecoderNom(dossier);
  os::EtatFichier etatDossier;
  try {
    etatDossier = os::EtatChemin(dossier.toStdString());
  } catch (const os::ErreurOs& e) {
    raison =
        e.code() == ENOENT
            ? QStringLiteral("le dossier des fichiers traités « %1 » n'existe pas").arg(affiche)
            : QStringLiteral(
                  "le dossier des fichiers traités « %1 » est "
                  "inaccessible : %2")
                  .arg(affiche, Systeme(e.code()));
    return false;
  }
  if (etatDossier.type != os::TypeEntree::Directory) {
    raison = QStringLiteral(
                 "« %1 », donné comme dossier des fichiers traités, n'est pas un "
                 "dossier")
                 .arg(affiche);
    return false;
  }
  try {
    os::VerifierDossierInscriptible(dossier.toStdString());
  } catch (const os::ErreurOs& e) {
    raison = e.code() == EACCES ? QStringLiteral(
                                      "vous n'avez pas la permission d'écrire dans le "
                                      "dossier des fichiers traités « %1 »")
                                      .arg(affiche)
                                : QStringLiteral(
                                      "le dossier des fichiers traités « %1 » ne peut pas "
                                      "recevoir de fichier : %2")
                                      .arg(affiche, Systeme(e.code()));
    return false;
  }
  try {
    const os::EtatFichier etatSource = os::EtatChemin(DossierDe(EncoderNom(source)).toStdString());
    if (etatSource.device == etatDossier.device && etatSource.file == etatDossier.file) {
      raison = QStringLiteral(
                   "le dossier des fichiers traités « %1 » est celui où se trouve déjà "
                   "le fichier")
                   .arg(affiche);
      return false;
    }
  } catch (const os::ErreurOs&) {
    // The source's folder is judged when the file is read.
  }
  if (os::EntreeExiste(nomCible.toStdString())) {
    raison = QStringLiteral(
                 "un fichier de ce nom existe déjà dans le dossier des fichiers "
                 "traités « %1 »")
                 .arg(affiche);
    return false;
  }
  return true;
}

QString NomLibre(const QString& cible, int n) {
  const qsizetype debutNom = std::max(cible.lastIndexOf(u'/'), cible.lastIndexOf(u'\\')) + 1;
  qsizetype point = cible.lastIndexOf(u'.');
  if (point <= debutNom) {  // no extension, or a name that starts with its only dot
    point = cible.size();
  }
  return cible.left(point) + QStringLiteral(" (%1)").arg(n) + cible.mid(point);
}

bool DeplaceurFichier::Present(const QString& /*chemin*/) const { return true; }

bool DeplaceurFichierQt::Present(const QString& chemin) const {
  return os::EntreeExiste(EncoderNom(chemin).toStdString());
}

bool DeplaceurFichier::DeplacerSousNomLibre(const QString& source, const QString& cible,
                                            QString& cibleFinale, QString& raison) {
  constexpr int kEssais = 1000;
  cibleFinale = cible;
  for (int n = 2;; ++n) {
    if (Deplacer(source, cibleFinale, raison)) {
      return true;
    }
    // Anything but a name already taken is the move's own failure.
    if (n > kEssais || !os::EntreeExiste(EncoderNom(cibleFinale).toStdString()) ||
        !os::EntreeExiste(EncoderNom(source).toStdString())) {
      cibleFinale = cible;
      return false;
    }
    cibleFinale = NomLibre(cible, n);
  }
}

bool DeplaceurFichierQt::Deplacer(const QString& source, const QString& cible, QString& raison) {
  const int erreur = DeplacerSansEcraser(EncoderNom(source), EncoderNom(cible));
  switch (erreur) {
    case 0:
      return true;
    case ENOENT: {
      raison = !os::EntreeExiste(EncoderNom(source).toStdString())
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
