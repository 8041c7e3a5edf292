#pragma once

#include "platform/StockageReglages.h"

#include <QString>

#include <map>
#include <tuple>
#include <vector>

namespace brivane::testing {

// A settings store in memory that remembers the order of its writes.
class StockageReglagesMemoire final : public platform::StockageReglages {
 public:
  using Cle = std::tuple<QString, QString, QString>;

  QString GetSetting(const QString& application, const QString& section, const QString& key,
                     const QString& defaut) const override {
    const auto it = valeurs.find({application, section, key});
    return it == valeurs.end() ? defaut : it->second;
  }
  bool SaveSetting(const QString& application, const QString& section, const QString& key,
                   const QString& valeur) override {
    ecritures.push_back({application, section, key});
    if (refuserEcritures) {
      return false;
    }
    valeurs[{application, section, key}] = valeur;
    return true;
  }

  bool Lisible(const QString&, QString& raison) const override {
    raison = illisible;
    return illisible.isEmpty();
  }

  std::map<Cle, QString> valeurs;
  // When not empty, the store is unreadable for this reason.
  QString illisible;
  std::vector<Cle> ecritures;
  bool refuserEcritures = false;
};

}  // namespace brivane::testing
