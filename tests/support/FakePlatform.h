#pragma once

#include "platform/ComputerName.h"
#include "platform/RegionalSettings.h"

namespace brivane::testing {

class FixedComputerName final : public platform::ComputerName {
 public:
  explicit FixedComputerName(QString name) : name_(std::move(name)) {}
  QString name() const override { return name_; }

 private:
  QString name_;
};

class FixedRegionalSettings final : public platform::RegionalSettings {
 public:
  explicit FixedRegionalSettings(QString separator) : separator_(std::move(separator)) {}
  QString dateSeparator() const override { return separator_; }

 private:
  QString separator_;
};

}  // namespace brivane::testing
