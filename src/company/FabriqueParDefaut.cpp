#include "company/FabriqueParDefaut.h"
#include "acomba/BackEndAcomba.h"
#include "company/FournisseurIntegre.h"

namespace brivane::company {

// No accounting SDK is installed on this platform: documents post into the
// built-in company kept in their company folder.
ServicesDocument::FabriqueBackEnd FabriqueParDefaut() {
  return [](ComSoum& document) -> std::unique_ptr<BackEnd> {
    return std::make_unique<acomba::BackEndAcomba>(document,
                                                   std::make_shared<FournisseurIntegre>());
  };
}

}  // namespace brivane::company
