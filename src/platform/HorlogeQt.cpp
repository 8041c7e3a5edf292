#include "platform/HorlogeQt.h"

namespace brivane::platform {

QDate HorlogeQt::today() const { return QDate::currentDate(); }

}  // namespace brivane::platform
