#pragma once

#include "platform/CoffreMotDePasse.h"

#include <map>

namespace brivane::testing {

// A keyring in memory; muet makes it one that never answers.
struct FauxCoffre final : platform::CoffreMotDePasse {
  using Reponse = platform::ReponseCoffre;
  Reponse Lire(const QString& compte, QString& motDePasse) override {
    ++demandes;
    const auto it = entrees.find(compte);
    if (muet || it == entrees.end()) return muet ? Reponse::Muet : Reponse::Absent;
    motDePasse = it->second;
    return Reponse::Fait;
  }
  Reponse Ecrire(const QString& compte, const QString& motDePasse) override {
    ++demandes;
    if (!muet) entrees[compte] = motDePasse;
    return muet ? Reponse::Muet : Reponse::Fait;
  }
  Reponse Supprimer(const QString& compte) override {
    ++demandes;
    if (!muet) entrees.erase(compte);
    return muet ? Reponse::Muet : Reponse::Fait;
  }
  QString Nom() const override { return nom; }

  std::map<QString, QString> entrees;
  QString nom = QStringLiteral("le trousseau d'essai");
  bool muet = false;
  int demandes = 0;
};

}  // namespace brivane::testing
