#pragma once

#include "acomba/Sdk.h"

#include <memory>

namespace brivane::company {

namespace integre {
struct EtatCompagnie;
}  // namespace integre

// The SDK that needs no installation: every object it makes works on the
// company kept in one database file inside the company folder, shared by the
// objects of one provider (one open company, one logged-in user at a time).
//
// Record rules, as a keyed record store keeps them: add needs a reserve new
// and modify a reserve of the record; keys are unique and compared exactly;
// each add or modify is written whole or not at all.
class FournisseurIntegre final : public acomba::Fournisseur {
 public:
  // The start value the start-up object hands out and expects back.
  static constexpr std::int32_t kValeurDemarrage = 0x0B71;

  FournisseurIntegre();
  ~FournisseurIntegre() override;

  std::unique_ptr<acomba::ObjetSdk> Creer(std::uint32_t classe) override;

 private:
  std::shared_ptr<integre::EtatCompagnie> etat_;
};

}  // namespace brivane::company
