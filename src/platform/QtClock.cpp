#include "platform/QtClock.h"

namespace brivane::platform {

QDate QtClock::today() const { return QDate::currentDate(); }

}  // namespace brivane::platform
