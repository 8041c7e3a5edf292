#include "acomba/Sdk.h"

namespace brivane::acomba {

QString TexteIdentifiant(std::uint32_t premierGroupe) {
  return QStringLiteral("{%1-0000-000F-1000-000AC0BA1001}")
      .arg(premierGroupe, 8, 16, QLatin1Char('0'))
      .toUpper();
}

}  // namespace brivane::acomba
