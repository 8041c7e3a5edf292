#pragma once

#include "platform/StockageReglages.h"

#include <QString>

#include <cstdint>

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
inline const QString SystemeComptable = QStringLiteral("SystemeComptable");
inline const QString Fournisseur = QStringLiteral("Fournisseur");
inline const QString PosteGlVente = QStringLiteral("PosteGlVente");
inline const QString PosteGlAchat = QStringLiteral("PosteGlAchat");
}  // namespace cles

// Accounting-system codes a configuration may choose.
inline constexpr std::int32_t kSystemeSdk = 1;    // the SDK (the built-in company here)
inline constexpr std::int32_t kSystemeDbase = 2;  // the dBASE tables of the company folder

// The settings of the transfer, as typed in the configuration window. The
// last four are given defaults so that a record written with the first six
// alone stays the configuration of the SDK, as before they existed.
struct ConfigurationTransfert {
  QString PathCie;
  QString PathAcomba;
  QString UserAcomba;
  QString PWDAcomba;
  QString GroupeProd;
  QString DossierTraite;
  // "1" or empty: the SDK; "2": the dBASE tables of PathCie.
  QString SystemeComptable{};
  // Given to every detail line under the dBASE tables, which require them.
  QString Fournisseur{};
  QString PosteGlVente{};
  QString PosteGlAchat{};

  // One read per key; a missing key reads as empty.
  static ConfigurationTransfert Lire(const platform::StockageReglages& store);
  // Writes every value in key order. False when the store refused one.
  bool Enregistrer(platform::StockageReglages& store) const;

  // The accounting system chosen: kSystemeSdk when the setting is empty,
  // 0 when it holds anything but "1" or "2".
  std::int32_t Systeme() const;
  // Every setting the chosen system needs is given; DossierTraite is never
  // needed, the credentials and the program folder only by the SDK.
  bool EstComplete() const;
  // What the user is told when EstComplete() is false.
  QString MessageIncomplete() const;

  bool operator==(const ConfigurationTransfert&) const = default;
};

}  // namespace brivane
