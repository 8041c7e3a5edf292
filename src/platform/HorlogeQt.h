#pragma once

#include "platform/Horloge.h"

namespace brivane::platform {

class HorlogeQt final : public Horloge {
 public:
  QDate aujourdhui() const override;
};

}  // namespace brivane::platform
