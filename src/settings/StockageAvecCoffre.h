#pragma once

#include "platform/CoffreMotDePasse.h"
#include "platform/StockageReglages.h"

#include <QString>

#include <optional>

namespace brivane {

// The settings store of both programs: every setting in the store it wraps
// (the INI file, or the registry), but the password in the keyring where one
// answers. A password still in the wrapped store (an earlier version, a hand
// edit, a save where no keyring answered) is read from there first, and moved
// to the keyring by the next save that reaches one.
class StockageAvecCoffre final : public platform::StockageReglages {
 public:
  // emplacement: where fichier keeps the settings. It is part of the keyring
  // entry's name, so that each configuration folder keeps its own password.
  StockageAvecCoffre(platform::StockageReglages& fichier, const QString& emplacement,
                     platform::CoffreMotDePasse& coffre);

  QString GetSetting(const QString& application, const QString& section, const QString& key,
                     const QString& defaut) const override;
  bool SaveSetting(const QString& application, const QString& section, const QString& key,
                   const QString& valeur) override;
  bool DeleteSetting(const QString& application, const QString& section,
                     const QString& key) override;
  bool Lisible(const QString& application, QString& raison) const override;
  QString EmplacementValeur(const QString& application, const QString& section,
                            const QString& key) const override;

  // The password's keyring entry: "Acomba/PWDAcomba@" then the emplacement.
  const QString& Compte() const { return compte_; }

 private:
  bool CoffreRepond() const;
  void Noter(platform::ReponseCoffre reponse) const;

  platform::StockageReglages& fichier_;
  QString emplacement_;
  platform::CoffreMotDePasse& coffre_;
  QString compte_;
  // Whether the keyring answered its last request; asked once when unknown.
  mutable std::optional<bool> repond_;
};

}  // namespace brivane
