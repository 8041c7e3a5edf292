#pragma once

#include "platform/ParametresRegionaux.h"

namespace brivane::platform {

// The settings of the system locale.
class ParametresRegionauxQt final : public ParametresRegionaux {
 public:
  QString separateurDate() const override;
  // The separator of a Qt short date format ("dd/MM/yyyy" gives "/").
  static QString SeparatorOf(const QString& dateFormat);
};

}  // namespace brivane::platform
