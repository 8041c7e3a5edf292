#include "dbf/FormatDbf.h"

#include <QFileInfo>

#include <algorithm>

namespace brivane::dbf {

EnteteDbf EnteteDbf::Lire(const unsigned char* fixe) {
  EnteteDbf entete;
  std::copy_n(fixe, kTailleEntete, entete.octets.begin());
  return entete;
}

std::uint32_t EnteteDbf::nombreLignes() const {
  return octets[4] | (octets[5] << 8) | (octets[6] << 16) | (std::uint32_t{octets[7]} << 24);
}

void EnteteDbf::LireChamps(QByteArrayView descripteurs) {
  champs.clear();
  int offset = 1;  // after the deletion flag
  for (qsizetype at = 0; at + kTailleDescripteur <= descripteurs.size(); at += kTailleDescripteur) {
    const auto* d = reinterpret_cast<const unsigned char*>(descripteurs.data() + at);
    if (d[0] == kFinDescripteurs) {
      break;
    }
    // The name: 11 bytes, blanks at their very end dropped, up to a NUL.
    char nom[12] = {};
    std::copy_n(reinterpret_cast<const char*>(d), 11, nom);
    for (int i = 10; i > 0 && nom[i] == ' '; --i) {
      nom[i] = '\0';
    }
    const char type = static_cast<char>(d[11]);
    const int width = d[16];
    const int decimals = type == 'N' || type == 'F' ? d[17] : 0;
    champs.push_back({QString::fromLatin1(nom), type, width, decimals, offset});
    offset += width;
  }
}

void EnteteDbf::MettreAJour(std::uint32_t lignes, QDate derniereMaj) {
  octets[1] = static_cast<unsigned char>(derniereMaj.year() - 1900);
  octets[2] = static_cast<unsigned char>(derniereMaj.month());
  octets[3] = static_cast<unsigned char>(derniereMaj.day());
  for (int b = 0; b < 4; ++b) {
    octets[static_cast<std::size_t>(4 + b)] =
        static_cast<unsigned char>((lignes >> (8 * b)) & 0xFF);
  }
}

platform::ErreurBaseDonnees RefusIndexProduction(const QString& chemin) {
  return platform::ErreurBaseDonnees(
      platform::ErreurBaseDonnees::kIndexedTable,
      QStringLiteral("La table %1 a un index de production (.mdx) que ce programme ne sait pas "
                     "tenir à jour : aucune ligne n'y a été écrite.")
          .arg(QFileInfo(chemin).fileName()));
}

}  // namespace brivane::dbf
