#pragma once

#include "platform/Horloge.h"

namespace brivane::testing {

// A clock stopped on one date.
class HorlogeFixe final : public platform::Horloge {
 public:
  explicit HorlogeFixe(QDate date) : date_(date) {}
  QDate aujourdhui() const override { return date_; }

 private:
  QDate date_;
};

}  // namespace brivane::testing
