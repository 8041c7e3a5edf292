#pragma once

#include "acomba/Sdk.h"
#include "document/BackEnd.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace brivane::acomba {

// Posts a sales document through the accounting SDK: opens the company and
// logs the user in, then adds or updates the customer, adds the missing
// products and writes the invoice with its two tax lines.
//
// Every step returns true on success and false with its reason in the
// document's Message; a call that fails below the SDK's statuses throws
// ErreurSdk out of the step.
class BackEndAcomba final : public BackEnd {
 public:
  // The federal and provincial tax records the invoice names.
  static constexpr auto kTaxeFederale = u"T.P.S. 100%";
  static constexpr auto kTaxeProvinciale = u"T.V.Q. 100%";
  // Number of an unexpected failure when a tax total is no longer a number.
  static constexpr std::int32_t kDepassementCapacite = 6;

  BackEndAcomba(ComSoum& document, std::shared_ptr<Fournisseur> fournisseur);

  bool Ouvrir() override { return OuvrirSessionAcomba(); }
  bool EnregistrerClient() override { return EnregistrerClientAcomba(); }
  bool EnregistrerProduits() override { return EnregistrerProduitsAcomba(); }
  bool EnregistrerFacture() override { return EnregistrerFactureAcomba(); }
  void Fermer() override { FermerSessionAcomba(); }

 private:
  void FermerSessionAcomba();
  bool OuvrirSessionAcomba();
  bool EnregistrerClientAcomba();
  bool EnregistrerProduitsAcomba();
  bool EnregistrerFactureAcomba();

  // "number, space, the session's text for it".
  QString MessageSdk(std::int32_t statut) const;
  void EcrireChampsClient(ClientSdk& objet) const;
  void EcrireVendeur(TransactionSdk& transaction);

  std::shared_ptr<Fournisseur> fournisseur_;
  // Kept from the opening until the back end goes: the product and invoice
  // steps ask the session for error texts.
  std::unique_ptr<SessionSdk> session_;
  std::unique_ptr<DemarrageSdk> demarrage_;
  std::unique_ptr<UtilisateurSdk> utilisateur_;
};

}  // namespace brivane::acomba
