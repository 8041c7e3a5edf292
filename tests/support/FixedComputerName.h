#pragma once

#include "platform/ComputerName.h"

namespace brivane::testing {

// A machine whose name never changes.
class FixedComputerName final : public platform::ComputerName {
 public:
  explicit FixedComputerName(QString name) : name_(std::move(name)) {}
  QString name() const override { return name_; }

 private:
  QString name_;
};

}  // namespace brivane::testing
