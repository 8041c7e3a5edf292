#pragma once

#include "acomba/Sdk.h"

#include <memory>

namespace brivane::company {

namespace integre {
struct EtatCompagnie;
}  // namespace integre

// The record of imports of the built-in company (table importation), and
// the hold on the posting's transaction that the provider's objects share.
class RegistreImportationsIntegre final : public acomba::RegistreImportationsSdk {
 public:
  explicit RegistreImportationsIntegre(std::shared_ptr<integre::EtatCompagnie> etat);

  std::int32_t Chercher(const QString& empreinte) override;
  RegistreImportation Registre() override { return trouve_; }
  std::int32_t Noter(const RegistreImportation& registre) override;
  std::int32_t Valider() override;
  std::int32_t Abandonner() override;

 private:
  // Open company, logged-in user, no damage met: kSucces or the status.
  std::int32_t Acces() const;

  std::shared_ptr<integre::EtatCompagnie> etat_;
  RegistreImportation trouve_;
};

}  // namespace brivane::company
