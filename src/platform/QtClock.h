#pragma once

#include "platform/Clock.h"

namespace brivane::platform {

class QtClock final : public Clock {
 public:
  QDate today() const override;
};

}  // namespace brivane::platform
