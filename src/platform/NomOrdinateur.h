#pragma once

#include <QString>

namespace brivane::platform {

// The name of the machine the program runs on.
class NomOrdinateur {
 public:
  virtual ~NomOrdinateur() = default;
  // The short network name (no domain), at most 30 characters.
  virtual QString nom() const = 0;
};

}  // namespace brivane::platform
