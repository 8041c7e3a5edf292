#include "dbase/FabriqueParDefaut.h"
#include "dbase/BackEndDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "platform/NomOrdinateurQt.h"
#include "platform/ParametresRegionauxQt.h"

namespace brivane::dbase {

ServicesDocument::FabriqueBackEnd FabriqueParDefaut() {
  return [](ComSoum& document) -> std::unique_ptr<BackEnd> {
    os::SystemeFichiers& fichiers = os::SystemeFichiers::Reel();
    return std::make_unique<BackEndDbf>(
        document, ServicesDbf{std::make_shared<dbf::FournisseurDbfSqlite>(fichiers),
                              std::make_shared<platform::NomOrdinateurQt>(),
                              std::make_shared<platform::ParametresRegionauxQt>(), fichiers});
  };
}

}  // namespace brivane::dbase
