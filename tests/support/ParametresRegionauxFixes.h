#pragma once

#include "platform/ParametresRegionaux.h"

namespace brivane::testing {

// Regional settings with a chosen date separator.
class ParametresRegionauxFixes final : public platform::ParametresRegionaux {
 public:
  explicit ParametresRegionauxFixes(QString separateur) : separateur_(std::move(separateur)) {}
  QString separateurDate() const override { return separateur_; }

 private:
  QString separateur_;
};

}  // namespace brivane::testing
