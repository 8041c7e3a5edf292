#pragma once

#include "platform/NomOrdinateur.h"

namespace brivane::platform {

class NomOrdinateurQt final : public NomOrdinateur {
 public:
  QString nom() const override;
  // The short form of a host name: up to its first dot, at most 30 characters.
  static QString NomCourt(const QString& nomHote);
};

}  // namespace brivane::platform
