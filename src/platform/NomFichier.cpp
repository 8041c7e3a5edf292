#include "platform/NomFichier.h"

#include "platform/os/Fichier.h"

#include <QFile>

namespace brivane::platform {

namespace {

constexpr char16_t kPremierEchappe = 0xDC80;

// Length of the valid UTF-8 sequence at i, or 0 when the bytes there are not one.
qsizetype LongueurUtf8(const QByteArray& o, qsizetype i) {
  const auto octet = [&](qsizetype k) { return static_cast<unsigned char>(o[k]); };
  const unsigned char c = octet(i);
  qsizetype n = 0;
  char32_t minimum = 0;
  char32_t valeur = 0;
  if (c < 0x80) {
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2, minimum = 0x80, valeur = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, minimum = 0x800, valeur = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, minimum = 0x10000, valeur = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > o.size()) {
    return 0;
  }
  for (qsizetype k = 1; k < n; ++k) {
    if ((octet(i + k) & 0xC0) != 0x80) {
      return 0;
    }
    valeur = (valeur << 6) | (octet(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
  if (valeur < minimum || valeur > 0x10FFFF || (valeur >= 0xD800 && valeur <= 0xDFFF)) {
    return 0;
  }
  return n;
}

// Unix names: bytes, UTF-8 where they are.
QString DecoderOctets(const QByteArray& octets) {
  QString nom;
  nom.reserve(octets.size());
  qsizetype i = 0;
  while (i < octets.size()) {
    const qsizetype n = LongueurUtf8(octets, i);
    if (n == 0) {
      nom += QChar(
          static_cast<char16_t>(kPremierEchappe + static_cast<unsigned char>(octets[i]) - 0x80));
      ++i;
    } else {
      nom += QString::fromUtf8(octets.constData() + i, n);
      i += n;
    }
  }
  return nom;
}

QByteArray EncoderOctets(const QString& nom) {
  QByteArray octets;
  octets.reserve(nom.size());
  qsizetype debut = 0;
  for (qsizetype i = 0; i <= nom.size(); ++i) {
    const bool echappe = i < nom.size() && nom[i].unicode() >= kPremierEchappe &&
                         nom[i].unicode() <= 0xDCFF && (i == 0 || !nom[i - 1].isHighSurrogate());
    if (i == nom.size() || echappe) {
      octets += QStringView(nom).mid(debut, i - debut).toUtf8();
      if (echappe) {
        octets += static_cast<char>(nom[i].unicode() - kPremierEchappe + 0x80);
      }
      debut = i + 1;
    }
  }
  return octets;
}

}  // namespace

// Windows names are UTF-16: the layer takes them in UTF-8 and gives them back whole.
QString DecoderNom(const QByteArray& octets) {
  return os::kWindows ? QFile::decodeName(octets) : DecoderOctets(octets);
}

QByteArray EncoderNom(const QString& nom) {
  return os::kWindows ? QFile::encodeName(nom) : EncoderOctets(nom);
}

}  // namespace brivane::platform
