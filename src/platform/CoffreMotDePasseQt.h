#pragma once

#include "platform/CoffreMotDePasse.h"

#include <chrono>

namespace brivane::platform {

// The keyring through QtKeychain: the Secret Service (GNOME Keyring, KeePassXC)
// or KWallet on Linux, the Credential Manager on Windows. Each request waits at
// most delai: a keyring that does not answer by then (locked behind a prompt
// nobody sees, no session bus) counts as none, and is not asked again by this
// object, since QtKeychain runs its requests one after the other. Needs a
// QCoreApplication, and the thread that made it.
class CoffreMotDePasseQt final : public CoffreMotDePasse {
 public:
  static constexpr std::chrono::milliseconds kDelaiParDefaut{5000};

  // service: the name every entry is filed under.
  explicit CoffreMotDePasseQt(QString service, std::chrono::milliseconds delai = kDelaiParDefaut);

  ReponseCoffre Lire(const QString& compte, QString& motDePasse) override;
  ReponseCoffre Ecrire(const QString& compte, const QString& motDePasse) override;
  ReponseCoffre Supprimer(const QString& compte) override;
  QString Nom() const override;

 private:
  bool Joignable() const;

  QString service_;
  std::chrono::milliseconds delai_;
  // Set by the first request left unanswered or refused.
  bool muet_ = false;
};

}  // namespace brivane::platform
