#pragma once

#include "platform/SettingsStore.h"

#include <QString>

namespace brivane {

// Where the settings of the transfer live in the per-user store.
inline const QString kApplication = QStringLiteral("Brivane");
inline const QString kSectionAcomba = QStringLiteral("Acomba");

namespace cles {
inline const QString PathCie = QStringLiteral("PathCie");
inline const QString PathAcomba = QStringLiteral("PathAcomba");
inline const QString UserAcomba = QStringLiteral("UserAcomba");
inline const QString PWDAcomba = QStringLiteral("PWDAcomba");
inline const QString GroupeProd = QStringLiteral("GroupeProd");
inline const QString DossierTraite = QStringLiteral("DossierTraite");
}  // namespace cles

// The six settings of the transfer, as typed in the configuration window.
struct ConfigurationTransfert {
  QString PathCie;
  QString PathAcomba;
  QString UserAcomba;
  QString PWDAcomba;
  QString GroupeProd;
  QString DossierTraite;

  // One read per key; a missing key reads as empty.
  static ConfigurationTransfert Lire(const platform::SettingsStore& store);
  // Writes the six values in key order. False when the store refused one.
  bool Enregistrer(platform::SettingsStore& store) const;

  // Every setting an import needs is given; DossierTraite is not needed.
  bool EstComplete() const;

  bool operator==(const ConfigurationTransfert&) const = default;
};

}  // namespace brivane
