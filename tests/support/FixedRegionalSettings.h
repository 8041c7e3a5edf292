#pragma once

#include "platform/RegionalSettings.h"

namespace brivane::testing {

// Regional settings with a chosen date separator.
class FixedRegionalSettings final : public platform::RegionalSettings {
 public:
  explicit FixedRegionalSettings(QString separator) : separator_(std::move(separator)) {}
  QString dateSeparator() const override { return separator_; }

 private:
  QString separator_;
};

}  // namespace brivane::testing
