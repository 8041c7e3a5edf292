#pragma once

#include "platform/StockageReglages.h"

namespace brivane::platform {

// The store on QSettings. On Windows: the registry area kept for per-application
// settings (HKEY_CURRENT_USER\Software\VB and VBA Program Settings), so values
// already stored there are read as they are. Elsewhere, or when a folder is
// given: one INI file per application in that folder (by default the user's
// configuration folder), readable by its owner only because it holds a password.
class StockageReglagesQt final : public StockageReglages {
 public:
  // The folder named by BRIVANE_CONFIG_DIR when set, else the user's own.
  StockageReglagesQt();
  // An explicit folder for the INI files, made absolute at once; empty means
  // the registry on Windows.
  explicit StockageReglagesQt(QString dossier);

  QString GetSetting(const QString& application, const QString& section, const QString& key,
                     const QString& defaut) const override;
  bool SaveSetting(const QString& application, const QString& section, const QString& key,
                   const QString& valeur) override;
  bool DeleteSetting(const QString& application, const QString& section,
                     const QString& key) override;
  // A missing file reads as an empty store; a file that is a folder, cannot be
  // opened, or is no UTF-8 INI text (UTF-16, binary) is unreadable.
  bool Lisible(const QString& application, QString& raison) const override;

  // Where the values of an application live (file path, or registry key).
  QString Emplacement(const QString& application) const;

  // The folder used when none is given (empty for the registry on Windows).
  static QString DossierParDefaut();

 private:
  bool Registre() const;

  QString dossier_;
};

}  // namespace brivane::platform
