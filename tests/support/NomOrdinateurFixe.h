#pragma once

#include "platform/NomOrdinateur.h"

namespace brivane::testing {

// A machine whose name never changes.
class NomOrdinateurFixe final : public platform::NomOrdinateur {
 public:
  explicit NomOrdinateurFixe(QString nom) : nom_(std::move(nom)) {}
  QString nom() const override { return nom_; }

 private:
  QString nom_;
};

}  // namespace brivane::testing
