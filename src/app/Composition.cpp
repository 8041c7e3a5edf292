#include "app/Composition.h"

#include "app/JournalImport.h"
#include "company/FabriqueParDefaut.h"
#include "dbase/FabriqueParDefaut.h"
#include "platform/FichierTexte.h"
#include "platform/HorlogeQt.h"

#include <memory>

namespace brivane {

ServicesDocument Composition::Document() {
  return ServicesDocument{std::make_shared<platform::HorlogeQt>(), company::FabriqueParDefaut(),
                          dbase::FabriqueParDefaut()};
}

ServicesImport Composition::Import() {
  return {std::make_shared<platform::LecteurFichierQt>(),
          std::make_shared<platform::DeplaceurFichierQt>(),
          Document(),
          std::make_shared<SqliteJournalImport>(SqliteJournalImport::CheminParDefaut()),
          DemanderFn(),
          false};
}

}  // namespace brivane
