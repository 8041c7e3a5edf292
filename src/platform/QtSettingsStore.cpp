#include "platform/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace brivane::platform {

namespace {

constexpr QFileDevice::Permissions kProprietaireSeul =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(DossierParDefaut()) {}

QtSettingsStore::QtSettingsStore(QString dossier) : dossier_(std::move(dossier)) {}

QString QtSettingsStore::DossierParDefaut() {
  const QString dossier = qEnvironmentVariable("BRIVANE_CONFIG_DIR");
  if (!dossier.isEmpty()) {
    return dossier;
  }
#ifdef Q_OS_WIN
  return QString();  // the registry
#else
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Brivane");
#endif
}

bool QtSettingsStore::Registre() const {
#ifdef Q_OS_WIN
  return dossier_.isEmpty();
#else
  return false;
#endif
}

QString QtSettingsStore::Emplacement(const QString& application) const {
  if (Registre()) {
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
           application;
  }
  return dossier_ + QStringLiteral("/") + application + QStringLiteral(".ini");
}

QString QtSettingsStore::GetSetting(const QString& application, const QString& section,
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

bool QtSettingsStore::SaveSetting(const QString& application, const QString& section,
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

}  // namespace brivane::platform
