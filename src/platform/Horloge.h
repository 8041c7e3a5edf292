#pragma once

#include <QDate>

namespace brivane::platform {

// The current date, as the machine's local calendar gives it.
class Horloge {
 public:
  virtual ~Horloge() = default;
  // Today's date in local time.
  virtual QDate aujourdhui() const = 0;
};

}  // namespace brivane::platform
