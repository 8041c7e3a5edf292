#pragma once

#include "app/Composition.h"
#include "app/ImporterFichier.h"
#include "document/BackEnd.h"
#include "document/ComSoum.h"
#include "document/ErreurInattendue.h"
#include "document/ServicesDocument.h"

#include <QStringList>

#include <memory>

namespace brivane::testing {

// What a test asks of the back end, and what the back end saw of the document.
struct ScenarioBackEnd {
  bool ouvrir = true;
  bool etapes = true;
  bool lancer = false;  // throws an unexpected failure from the customer step
  QString messageRefus = QStringLiteral("Session refusée.");

  QStringList appels;
  std::int32_t systemeComptable = -1;
  QString cheminCie, cheminApp, utilisateur, motDePasse;
  bool soumission = false;
  std::size_t nombreLignes = 0;
};

class FauxBackEnd final : public BackEnd {
 public:
  FauxBackEnd(ComSoum& document, ScenarioBackEnd& scenario)
      : BackEnd(document), scenario_(scenario) {}

  bool Ouvrir() override {
    scenario_.appels << QStringLiteral("Ouvrir");
    scenario_.systemeComptable = systemeComptable();
    scenario_.cheminCie = cheminCie();
    scenario_.cheminApp = cheminApp();
    scenario_.utilisateur = utilisateur();
    scenario_.motDePasse = motDePasse();
    scenario_.soumission = soumission();
    scenario_.nombreLignes = lignes().size();
    if (!scenario_.ouvrir) {
      RemplacerMessage(scenario_.messageRefus);
    }
    // Like an SDK that keeps no record of imports.
    if (scenario_.ouvrir && importation().exigerRegistre) {
      SignalerSansRegistre();
      return false;
    }
    return scenario_.ouvrir;
  }
  bool EnregistrerClient() override {
    scenario_.appels << QStringLiteral("Client");
    if (scenario_.lancer) {
      throw ErreurInattendue(-2147217900, QStringLiteral("Échec de l'écriture."));
    }
    return scenario_.etapes;
  }
  bool EnregistrerProduits() override {
    scenario_.appels << QStringLiteral("Produits");
    return scenario_.etapes;
  }
  bool EnregistrerFacture() override {
    scenario_.appels << QStringLiteral("Facture");
    return scenario_.etapes;
  }
  void Fermer(bool) override { scenario_.appels << QStringLiteral("Fermer"); }

 private:
  ScenarioBackEnd& scenario_;
};

// Document services whose code-1 back end plays the given scenario.
inline ServicesDocument ServicesAvec(ScenarioBackEnd& scenario) {
  ServicesDocument services = Composition::Document();
  services.acomba = [&scenario](ComSoum& document) {
    return std::make_unique<FauxBackEnd>(document, scenario);
  };
  return services;
}

// Read access to what a document holds, through the back-end seam.
class Inspecteur final : public BackEnd {
 public:
  explicit Inspecteur(ComSoum& document) : BackEnd(document) {}
  using BackEnd::client;
  using BackEnd::lignes;
  bool Ouvrir() override { return false; }
  bool EnregistrerClient() override { return false; }
  bool EnregistrerProduits() override { return false; }
  bool EnregistrerFacture() override { return false; }
  void Fermer(bool) override {}
};

}  // namespace brivane::testing
