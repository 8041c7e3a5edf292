#pragma once

#include "platform/NomOrdinateur.h"

namespace brivane::platform {

class NomOrdinateurQt final : public NomOrdinateur {
 public:
  QString name() const override;
  // The short form of a host name: up to its first dot, at most 30 characters.
  static QString ShortName(const QString& hostName);
};

}  // namespace brivane::platform
