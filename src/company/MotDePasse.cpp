#include "company/MotDePasse.h"

#include "company/ErreurBase.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLatin1String>

#include <sodium.h>

#include <array>
#include <cstring>

namespace brivane::company {

namespace {

using TexteArgon2id = std::array<char, crypto_pwhash_STRBYTES>;

constexpr qsizetype kOctetsSha256 = 32;

// libsodium picks its implementations and opens its random source once,
// before any other of its calls.
void PreparerSodium() {
  static const bool pret = sodium_init() >= 0;
  if (!pret) {
    throw ErreurBase(statuts::kErreurBase,
                     QStringLiteral("La bibliothèque de chiffrement n'a pas pu démarrer."));
  }
}

bool Hexadecimal(const QByteArray& texte) {
  for (const char c : texte) {
    const bool chiffre = c >= '0' && c <= '9';
    const bool lettre = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!chiffre && !lettre) {
      return false;
    }
  }
  return true;
}

// The Argon2id form, copied NUL-terminated into the buffer libsodium reads
// (it reads up to crypto_pwhash_STRBYTES, never past a longer text).
bool FormeArgon2id(const QString& empreinte, TexteArgon2id& texte) {
  if (!empreinte.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX))) {
    return false;
  }
  const QByteArray octets = empreinte.toUtf8();
  if (octets.size() >= static_cast<qsizetype>(texte.size())) {
    return false;
  }
  texte.fill('\0');
  std::memcpy(texte.data(), octets.constData(), static_cast<std::size_t>(octets.size()));
  return true;
}

// The older form, "salt:digest" in hexadecimal, decoded; anything else
// (a digest of another length, a stray character) is not it.
bool FormeSha256(const QString& empreinte, QByteArray& sel, QByteArray& condense) {
  const qsizetype separateur = empreinte.indexOf(u':');
  if (separateur <= 0) {
    return false;
  }
  const QByteArray texteSel = empreinte.left(separateur).toLatin1();
  const QByteArray texteCondense = empreinte.mid(separateur + 1).toLatin1();
  if (texteSel.size() % 2 != 0 || texteCondense.size() != 2 * kOctetsSha256 ||
      !Hexadecimal(texteSel) || !Hexadecimal(texteCondense)) {
    return false;
  }
  sel = QByteArray::fromHex(texteSel);
  condense = QByteArray::fromHex(texteCondense);
  return true;
}

}  // namespace

QString EmpreinteMotDePasse(const QString& motDePasse) {
  PreparerSodium();
  const QByteArray mot = motDePasse.toUtf8();
  TexteArgon2id texte{};
  if (crypto_pwhash_str(texte.data(), mot.constData(), static_cast<unsigned long long>(mot.size()),
                        crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    throw ErreurBase(statuts::kErreurBase,
                     QStringLiteral("L'empreinte du mot de passe n'a pas pu être calculée "
                                    "(mémoire insuffisante)."));
  }
  return QString::fromLatin1(texte.data());
}

bool VerifierMotDePasse(const QString& motDePasse, const QString& empreinte) {
  const QByteArray mot = motDePasse.toUtf8();
  TexteArgon2id texte{};
  if (FormeArgon2id(empreinte, texte)) {
    PreparerSodium();
    return crypto_pwhash_str_verify(texte.data(), mot.constData(),
                                    static_cast<unsigned long long>(mot.size())) == 0;
  }
  QByteArray sel;
  QByteArray attendu;
  if (FormeSha256(empreinte, sel, attendu)) {
    PreparerSodium();
    const QByteArray calcule = QCryptographicHash::hash(sel + mot, QCryptographicHash::Sha256);
    // In constant time: how much of the digest matched must not show.
    return sodium_memcmp(calcule.constData(), attendu.constData(),
                         static_cast<std::size_t>(kOctetsSha256)) == 0;
  }
  return false;
}

bool EmpreinteARefaire(const QString& empreinte) {
  TexteArgon2id texte{};
  if (!FormeArgon2id(empreinte, texte)) {
    return true;
  }
  PreparerSodium();
  return crypto_pwhash_str_needs_rehash(texte.data(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0;
}

}  // namespace brivane::company
