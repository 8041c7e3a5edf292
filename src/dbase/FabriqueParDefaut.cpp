#include "dbase/FabriqueParDefaut.h"
#include "dbase/BackEndDbf.h"
#include "dbf/SqliteDbfProvider.h"
#include "platform/QtComputerName.h"
#include "platform/QtRegionalSettings.h"

namespace brivane::dbase {

ServicesDocument::FabriqueBackEnd FabriqueParDefaut() {
  return [](ComSoum& document) -> std::unique_ptr<BackEnd> {
    return std::make_unique<BackEndDbf>(
        document, ServicesDbf{std::make_shared<dbf::SqliteDbfProvider>(),
                              std::make_shared<platform::QtComputerName>(),
                              std::make_shared<platform::QtRegionalSettings>()});
  };
}

}  // namespace brivane::dbase
