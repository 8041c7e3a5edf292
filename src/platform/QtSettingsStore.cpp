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

#ifdef Q_OS_WIN
const QString kRacineRegistre =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\");
#endif

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(DossierParDefaut()) {}

QtSettingsStore::QtSettingsStore(QString dossier) : dossier_(std::move(dossier)) {}

QString QtSettingsStore::DossierParDefaut() {
  const QString dossier = qEnvironmentVariable("BRIVANE_CONFIG_DIR");
  if (!dossier.isEmpty()) {
    return dossier;
  }
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Brivane");
}

QString QtSettingsStore::Emplacement(const QString& application) const {
#ifdef Q_OS_WIN
  return kRacineRegistre + application;
#else
  return dossier_ + QStringLiteral("/") + application + QStringLiteral(".ini");
#endif
}

QString QtSettingsStore::GetSetting(const QString& application, const QString& section,
                                    const QString& key, const QString& defaut) const {
#ifdef Q_OS_WIN
  QSettings store(Emplacement(application), QSettings::NativeFormat);
#else
  // A missing file reads as an empty store; nothing is created by reading.
  QSettings store(Emplacement(application), QSettings::IniFormat);
#endif
  store.beginGroup(section);
  return store.value(key, defaut).toString();
}

bool QtSettingsStore::SaveSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& valeur) {
#ifdef Q_OS_WIN
  QSettings store(Emplacement(application), QSettings::NativeFormat);
#else
  const QString chemin = Emplacement(application);
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
  QSettings store(chemin, QSettings::IniFormat);
#endif
  store.beginGroup(section);
  store.setValue(key, valeur);
  store.endGroup();
  store.sync();
#ifndef Q_OS_WIN
  // QSettings replaces the file on sync; the new one must stay private too.
  const bool prive = QFile::setPermissions(chemin, kProprietaireSeul);
  return prive && store.status() == QSettings::NoError;
#else
  return store.status() == QSettings::NoError;
#endif
}

}  // namespace brivane::platform
