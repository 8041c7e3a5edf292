#include "platform/NomOrdinateurQt.h"

#include "platform/os/Systeme.h"

namespace brivane::platform {

QString NomOrdinateurQt::nom() const {
  return NomCourt(QString::fromStdString(os::NomOrdinateur()));
}

QString NomOrdinateurQt::NomCourt(const QString& nomHote) {
  constexpr qsizetype kMaximum = 30;
  const qsizetype point = nomHote.indexOf(u'.');
  return (point < 0 ? nomHote : nomHote.left(point)).left(kMaximum);
}

}  // namespace brivane::platform
