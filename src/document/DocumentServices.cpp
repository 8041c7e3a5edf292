#include "document/DocumentServices.h"

#include "platform/QtClock.h"

#include <mutex>

namespace brivane {

namespace {

std::mutex verrou;

DocumentServices& instance() {
  static DocumentServices services{std::make_shared<platform::QtClock>(),
                                   acomba::FabriqueParDefaut(), dbase::FabriqueParDefaut()};
  return services;
}

}  // namespace

DocumentServices DocumentServices::Defaut() {
  const std::lock_guard garde(verrou);
  return instance();
}

void DocumentServices::DefinirDefaut(DocumentServices services) {
  const std::lock_guard garde(verrou);
  instance() = std::move(services);
}

}  // namespace brivane
