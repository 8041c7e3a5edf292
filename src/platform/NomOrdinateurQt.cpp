#include "platform/NomOrdinateurQt.h"

#include "platform/os/Systeme.h"

namespace brivane::platform {

QString NomOrdinateurQt::name() const {
  return ShortName(QString::fromStdString(os::NomOrdinateur()));
}

QString NomOrdinateurQt::ShortName(const QString& hostName) {
  constexpr qsizetype kMaximum = 30;
  const qsizetype point = hostName.indexOf(u'.');
  return (point < 0 ? hostName : hostName.left(point)).left(kMaximum);
}

}  // namespace brivane::platform
