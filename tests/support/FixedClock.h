#pragma once

#include "platform/Clock.h"

namespace brivane::testing {

// A clock stopped on one date.
class FixedClock final : public platform::Clock {
 public:
  explicit FixedClock(QDate date) : date_(date) {}
  QDate today() const override { return date_; }

 private:
  QDate date_;
};

}  // namespace brivane::testing
