#include "platform/StockageReglagesQt.h"

#include "platform/os/Systeme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

#include "platform/os/Fichier.h"

#include <cerrno>

namespace brivane::platform {

namespace {

constexpr QFileDevice::Permissions kProprietaireSeul =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Why the bytes of a settings file are no INI text, or an empty text.
QString DefautIni(const QByteArray& octets) {
  if (octets.contains('\0')) {
    return QStringLiteral(
        "il contient des octets nuls : c'est un fichier binaire ou écrit en "
        "UTF-16, et non un texte");
  }
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString texte = utf8(octets);
  if (utf8.hasError()) {
    return QStringLiteral("ce n'est pas un texte UTF-8");
  }
  int numero = 0;
  for (QStringView ligne : QStringView(texte).split(u'\n')) {
    ++numero;
    ligne = ligne.trimmed();
    if (ligne.isEmpty() || ligne.startsWith(u';') || ligne.startsWith(u'#') ||
        (ligne.startsWith(u'[') && ligne.endsWith(u']')) || ligne.contains(u'=')) {
      continue;
    }
    return QStringLiteral(
               "sa ligne %1 n'est ni une section « [Nom] » ni un réglage "
               "« clé=valeur »")
        .arg(numero);
  }
  return {};
}

}  // namespace

StockageReglagesQt::StockageReglagesQt() : StockageReglagesQt(DossierParDefaut()) {}

// Absolute, so that Emplacement names one file whatever the current folder.
StockageReglagesQt::StockageReglagesQt(QString dossier)
    : dossier_(dossier.isEmpty() ? std::move(dossier) : QDir(dossier).absolutePath()) {}

QString StockageReglagesQt::DossierParDefaut() {
  const QString dossier = qEnvironmentVariable("BRIVANE_CONFIG_DIR");
  if (!dossier.isEmpty()) {
    return dossier;
  }
  if constexpr (os::kWindows) {
    return QString();  // the registry
  } else {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brivane");
  }
}

bool StockageReglagesQt::Registre() const { return os::kWindows && dossier_.isEmpty(); }

QString StockageReglagesQt::Emplacement(const QString& application) const {
  if (Registre()) {
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
           application;
  }
  return dossier_ + QStringLiteral("/") + application + QStringLiteral(".ini");
}

bool StockageReglagesQt::Lisible(const QString& application, QString& raison) const {
  if (Registre()) {
    return true;
  }
  const QString chemin = Emplacement(application);
  const QByteArray nom = QFile::encodeName(chemin);
  QString defaut;
  try {
    const std::string nomSysteme = nom.toStdString();
    const os::EtatFichier etat = os::EtatChemin(nomSysteme);
    if (etat.type == os::TypeEntree::Directory) {
      defaut = QStringLiteral("c'est un dossier et non un fichier");
    } else if (etat.type != os::TypeEntree::Regular) {
      defaut = QStringLiteral("ce n'est pas un fichier ordinaire");
    } else {
      // A settings file is a few hundred bytes; more than a megabyte is not one.
      QByteArray octets(1024 * 1024, '\0');
      const std::size_t lus =
          os::Fichier::Ouvrir(nomSysteme, os::Fichier::Mode::Lecture)
              ->LireA(0, octets.data(), static_cast<std::size_t>(octets.size()));
      octets.truncate(static_cast<qsizetype>(lus));
      defaut = DefautIni(octets);
    }
  } catch (const os::ErreurOs& e) {
    if (e.code() == ENOENT && e.operation() == "stat") {
      return true;
    }
    defaut = QString::fromStdString(os::TexteErreurFrancais(e.code()));
  }
  if (defaut.isEmpty()) {
    return true;
  }
  raison = QStringLiteral(
               "Le fichier de configuration « %1 » ne peut pas être lu : %2.\r\n"
               "Corrigez-le, ou enregistrez de nouveau la configuration dans la "
               "fenêtre « Configuration Acomba », qui le remplace.")
               .arg(chemin, defaut);
  return false;
}

QString StockageReglagesQt::GetSetting(const QString& application, const QString& section,
                                       const QString& key, const QString& defaut) const {
  // A missing file reads as an empty store; nothing is created by reading.
  QSettings store(Emplacement(application),
                  Registre() ? QSettings::NativeFormat : QSettings::IniFormat);
  store.beginGroup(section);
  const QVariant valeur = store.value(key, defaut);
  // A hand-written INI value with commas reads as a list: give it back whole.
  if (valeur.typeId() == QMetaType::QStringList) {
    return valeur.toStringList().join(QStringLiteral(", "));
  }
  return valeur.toString();
}

bool StockageReglagesQt::SaveSetting(const QString& application, const QString& section,
                                     const QString& key, const QString& valeur) {
  const QString chemin = Emplacement(application);
  if (!Registre()) {
    if (!QDir().mkpath(dossier_)) {
      return false;
    }
    // The file holds a password: create it empty and private before QSettings
    // writes anything into it, and keep it private afterwards.
    if (!QFileInfo::exists(chemin)) {
      QFile fichier(chemin);
      if (!fichier.open(QIODevice::WriteOnly | QIODevice::NewOnly, kProprietaireSeul)) {
        return false;
      }
    }
    if (!QFile::setPermissions(chemin, kProprietaireSeul)) {
      return false;
    }
  }
  QSettings store(chemin, Registre() ? QSettings::NativeFormat : QSettings::IniFormat);
  store.beginGroup(section);
  store.setValue(key, valeur);
  store.endGroup();
  store.sync();
  if (store.status() != QSettings::NoError) {
    return false;
  }
  // QSettings replaces the file on sync; the new one must stay private too.
  return Registre() || QFile::setPermissions(chemin, kProprietaireSeul);
}

bool StockageReglagesQt::DeleteSetting(const QString& application, const QString& section,
                                       const QString& key) {
  const QString chemin = Emplacement(application);
  // Nothing to remove from a file that does not exist; reading creates none.
  if (!Registre() && !QFileInfo::exists(chemin)) {
    return true;
  }
  QSettings store(chemin, Registre() ? QSettings::NativeFormat : QSettings::IniFormat);
  store.beginGroup(section);
  store.remove(key);
  store.endGroup();
  store.sync();
  if (store.status() != QSettings::NoError) {
    return false;
  }
  return Registre() || QFile::setPermissions(chemin, kProprietaireSeul);
}

}  // namespace brivane::platform
