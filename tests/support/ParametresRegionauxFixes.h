#pragma once

#include "platform/ParametresRegionaux.h"

namespace brivane::testing {

// Regional settings with a chosen date separator.
class ParametresRegionauxFixes final : public platform::ParametresRegionaux {
 public:
  explicit ParametresRegionauxFixes(QString separator) : separator_(std::move(separator)) {}
  QString dateSeparator() const override { return separator_; }

 private:
  QString separator_;
};

}  // namespace brivane::testing
