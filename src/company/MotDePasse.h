#pragma once

#include <QString>

// The password hashes of the built-in company's user table.
namespace brivane::company {

// Hashes a password for the user table: Argon2id at libsodium's interactive
// limits, in its "$argon2id$…" form. Throws ErreurBase when libsodium cannot
// (no memory for it, no random source).
QString EmpreinteMotDePasse(const QString& motDePasse);

// True when the password matches the stored hash: Argon2id, or the older
// "salt:sha256(salt + password)" in hexadecimal, compared in constant time.
// A hash of neither form matches no password.
bool VerifierMotDePasse(const QString& motDePasse, const QString& empreinte);

// True when a hash that matched should be replaced by EmpreinteMotDePasse's:
// the older form, or Argon2id made at other limits than today's.
bool EmpreinteARefaire(const QString& empreinte);

}  // namespace brivane::company
