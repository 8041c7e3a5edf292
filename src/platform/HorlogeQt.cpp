#include "platform/HorlogeQt.h"

namespace brivane::platform {

QDate HorlogeQt::aujourdhui() const { return QDate::currentDate(); }

}  // namespace brivane::platform
