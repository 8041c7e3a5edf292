#pragma once

#include "document/Client.h"
#include "document/ComSoum.h"
#include "document/Item.h"
#include "support/HorlogeFixe.h"

#include <memory>

namespace brivane::testing {

// The customer of the sample invoice file.
inline std::shared_ptr<Client> ClientExemple() {
  auto c = std::make_shared<Client>();
  c->Vendeur(QStringLiteral("ML"));
  c->Condition(QStringLiteral("Net 30"));
  c->Livraison(QStringLiteral("Camion"));
  c->Numero(QStringLiteral("C0042"));
  c->Nom(QStringLiteral("Atelier Nord"));
  c->Adresse(QStringLiteral("12 rue Haute"));
  c->Ville(QStringLiteral("Villeneuve"));
  c->Province(QStringLiteral("QC"));
  c->CP(QStringLiteral("G8T1A1"));
  c->NoTelephone(QStringLiteral("8195550101"));
  c->NoTelephonel(QStringLiteral("8195550101"));
  c->NoFax(QStringLiteral("8195550102"));
  c->NoFaxl(QStringLiteral("8195550102"));
  c->Noml(QStringLiteral("Atelier Nord, entrepot"));
  c->Adressel(QStringLiteral("40 rue Basse"));
  c->Villel(QStringLiteral("Villeneuve"));
  c->Provincel(QStringLiteral("Qu"));
  c->CPl(QStringLiteral("G9A2G4"));
  c->pays(QStringLiteral("Ca"));
  c->paysl(QStringLiteral("Ca"));
  return c;
}

inline std::shared_ptr<Item> Ligne(const QString& code, const QString& description, double quantite,
                                   double cout, std::int32_t groupe = 5) {
  auto l = std::make_shared<Item>();
  l->code(code);
  l->Description(description);
  l->Quantite(quantite);
  l->Cout(cout);
  l->GroupeProduit(groupe);
  l->Format(QStringLiteral("Unité"));
  l->SousGroupe(QStringLiteral("Mat"));
  l->Localisation(QStringLiteral("A-1"));
  return l;
}

// A document ready for code 1 with the given back-end factory.
inline std::unique_ptr<ComSoum> DocumentExemple(ServicesDocument::FabriqueBackEnd acomba,
                                                const QString& cheminCie) {
  ServicesDocument services;
  services.horloge = std::make_shared<HorlogeFixe>(QDate(2026, 12, 8));
  services.acomba = std::move(acomba);
  auto doc = std::make_unique<ComSoum>(services);
  doc->SystemeComptable(1);
  doc->cheminCie(cheminCie);
  doc->cheminApp(QStringLiteral("/opt/compta"));
  doc->Utilisateur(QStringLiteral("marie"));
  doc->MotDePasse(QStringLiteral("Secret-1"));
  doc->Soumission(true);
  doc->Client(ClientExemple());
  return doc;
}

}  // namespace brivane::testing
