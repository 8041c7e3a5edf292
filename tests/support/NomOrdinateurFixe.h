#pragma once

#include "platform/NomOrdinateur.h"

namespace brivane::testing {

// A machine whose name never changes.
class NomOrdinateurFixe final : public platform::NomOrdinateur {
 public:
  explicit NomOrdinateurFixe(QString name) : name_(std::move(name)) {}
  QString name() const override { return name_; }

 private:
  QString name_;
};

}  // namespace brivane::testing
