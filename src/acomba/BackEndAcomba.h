#pragma once

#include "acomba/Sdk.h"
#include "document/BackEnd.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace brivane::acomba {

// Posts a sales document through the accounting SDK: opens the company and
// logs the user in, then adds or updates the customer, adds the missing
// products and writes the invoice with its two tax lines.
//
// Every step returns true on success and false with its reason in the
// document's Message; a call that fails below the SDK's statuses throws
// ErreurSdk out of the step.
//
// With a provider that keeps a record of imports (RegistreImportationsSdk),
// the posting is one transaction: a content the record holds is refused
// before anything is written, the record is noted with the invoice, and a
// posting that does not succeed whole leaves nothing.
class BackEndAcomba final : public BackEnd {
 public:
  // The federal and provincial tax records the invoice names.
  static constexpr auto kTaxeFederale = u"T.P.S. 100%";
  static constexpr auto kTaxeProvinciale = u"T.V.Q. 100%";
  // Number of an unexpected failure when a tax total is no longer a number.
  static constexpr std::int32_t kDepassementCapacite = 6;

  BackEndAcomba(ComSoum& document, std::shared_ptr<Fournisseur> fournisseur);

  bool Ouvrir() override;
  // Everything that would refuse the invoice half-way and can be known
  // without writing: the record of imports, the company's readiness, the
  // SDK's line limit, the tax amounts, the sales rep, the group of every new
  // product. Nothing is written either way.
  bool Verifier() override;
  bool EnregistrerClient() override;
  bool EnregistrerProduits() override;
  bool EnregistrerFacture() override;
  void Fermer(bool valider) override;

 private:
  // Runs a step; when it throws, the posting's transaction is rolled back
  // first, so that the company is not held until the back end goes.
  template <class Etape>
  bool Proteger(Etape&& etape) {
    try {
      return etape();
    } catch (...) {
      AnnulerPostage();
      throw;
    }
  }
  void FermerSessionAcomba();
  // The record of imports, before the first write: false when it refuses
  // the content (or cannot be read), with the reason in Message.
  bool ConsulterRegistre();
  // Notes the import with the invoice numbered numero: false when it fails.
  bool NoterRegistre(const QString& numero);
  // Rolls the posting back: true when it was.
  bool AnnulerPostage();
  // The customer add found its number taken since the find (another import):
  // true when the customer is now found and held for the update path.
  bool ClientAjouteEntreTemps(ClientSdk& objet, const QString& numero);
  // Frees the product object (made at first use), points it at code and
  // finds it: the find's status.
  std::int32_t TrouverProduit(std::unique_ptr<ProduitSdk>& produit, const QString& code,
                              bool option);
  // What this posting wrote before a failure, for the message: empty when
  // nothing was written, or when a failure rolls the posting back.
  QString DejaEcrit() const;
  // What this posting wrote so far, as DejaEcrit words it; empty when nothing.
  QString TexteEcrit() const;

  // "number, space, the session's text for it".
  QString MessageSdk(std::int32_t statut) const;
  void EcrireChampsClient(ClientSdk& objet) const;
  // The number of the sales rep whose code matches Vendeur, if one does.
  std::optional<std::int32_t> ChercherVendeur();

  std::shared_ptr<Fournisseur> fournisseur_;
  // Kept from the opening until the back end goes: the product and invoice
  // steps ask the session for error texts.
  std::unique_ptr<SessionSdk> session_;
  std::unique_ptr<DemarrageSdk> demarrage_;
  std::unique_ptr<UtilisateurSdk> utilisateur_;
  // Null when the provider keeps no record of imports.
  std::unique_ptr<RegistreImportationsSdk> registre_;
  bool registreConsulte_ = false;

  // From Verifier to the invoice step.
  std::unique_ptr<TransactionSdk> transaction_;
  std::optional<std::int32_t> noVendeur_;

  // What this posting wrote so far.
  QString clientEcrit_;  // "ajouté", "mis à jour" or empty
  std::int64_t produitsAjoutes_ = 0;
  bool factureEcrite_ = false;
};

}  // namespace brivane::acomba
