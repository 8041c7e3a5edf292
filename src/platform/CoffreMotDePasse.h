#pragma once

#include <QString>

namespace brivane::platform {

// What a keyring answered.
enum class ReponseCoffre {
  Fait,    // the entry was found, written or removed
  Absent,  // the keyring answered, and holds no such entry
  Muet,    // no keyring answered in time, or it refused: count it as none
};

// The system's keyring, holding one secret per account name. Never logs a
// secret.
class CoffreMotDePasse {
 public:
  virtual ~CoffreMotDePasse() = default;
  // Fait puts the secret in motDePasse; anything else leaves it untouched.
  virtual ReponseCoffre Lire(const QString& compte, QString& motDePasse) = 0;
  // Fait or Muet.
  virtual ReponseCoffre Ecrire(const QString& compte, const QString& motDePasse) = 0;
  // Fait (also when there was no such entry) or Muet.
  virtual ReponseCoffre Supprimer(const QString& compte) = 0;
  // The keyring as the user knows it, after "dans" ("le trousseau de la session").
  virtual QString Nom() const = 0;
};

}  // namespace brivane::platform
