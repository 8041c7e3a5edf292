#pragma once

#include <QString>

namespace brivane::platform {

// The user's regional settings, as far as the program needs them.
class ParametresRegionaux {
 public:
  virtual ~ParametresRegionaux() = default;
  // The text between the parts of a short date; "/" when the settings name none.
  virtual QString separateurDate() const = 0;
};

}  // namespace brivane::platform
