#include "dbf/FormatDbf.h"

#include <QFileInfo>

#include <algorithm>

namespace brivane::dbf {

EnteteDbf EnteteDbf::Lire(const unsigned char* fixe) {
  EnteteDbf entete;
  std::copy_n(fixe, kTailleEntete, entete.octets.begin());
  return entete;
}

std::optional<EnteteDbf> EnteteDbf::LireFichier(os::Fichier& fichier) {
  unsigned char fixe[kTailleEntete] = {};
  if (fichier.LireA(0, fixe, kTailleEntete) != kTailleEntete) {
    return std::nullopt;
  }
  return Lire(fixe);
}

EnteteDbf EnteteDbf::Nouvelle(const QString& chemin, std::vector<ChampDbf> colonnes,
                              unsigned char piloteLangue, QDate creation) {
  // Both lengths are 16-bit fields of the header.
  constexpr std::size_t kPlusDeDescripteurs = (0xFFFF - kTailleEntete - 1) / kTailleDescripteur;
  int offset = 1;  // after the deletion flag
  for (ChampDbf& c : colonnes) {
    const QByteArray nom = c.name.toLatin1();
    const bool nombre = c.type == 'N' || c.type == 'F';
    if (nom.isEmpty() || nom.size() > kLongueurNomChamp || nom.contains('\0') ||
        QString::fromLatin1(nom) != c.name || c.width < 1 || c.width > 0xFF ||
        (nombre && (c.decimals < 0 || c.decimals > c.width)) || offset + c.width > 0xFFFF ||
        colonnes.size() > kPlusDeDescripteurs) {
      throw platform::ErreurBaseDonnees(
          platform::ErreurBaseDonnees::kUnsupported,
          QStringLiteral("La colonne %1 de la table %2 ne peut pas être créée.")
              .arg(c.name, QFileInfo(chemin).fileName()));
    }
    c.offset = offset;
    offset += c.width;
  }
  EnteteDbf entete;
  entete.octets[0] = kVersionSansMemo;
  const int longueurEntete =
      kTailleEntete + static_cast<int>(colonnes.size()) * kTailleDescripteur + 1;
  entete.octets[8] = static_cast<unsigned char>(longueurEntete & 0xFF);
  entete.octets[9] = static_cast<unsigned char>(longueurEntete >> 8);
  entete.octets[10] = static_cast<unsigned char>(offset & 0xFF);
  entete.octets[11] = static_cast<unsigned char>(offset >> 8);
  entete.octets[29] = piloteLangue;
  entete.MettreAJour(0, creation);
  entete.champs = std::move(colonnes);
  return entete;
}

std::uint32_t EnteteDbf::nombreLignes() const {
  const unsigned char* n = octets.data() + kPositionNombreLignes;
  return n[0] | (n[1] << 8) | (n[2] << 16) | (std::uint32_t{n[3]} << 24);
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

QByteArray EnteteDbf::EcrireChamps() const {
  QByteArray descripteurs(static_cast<qsizetype>(champs.size()) * kTailleDescripteur + 1, '\0');
  auto* d = reinterpret_cast<unsigned char*>(descripteurs.data());
  for (const ChampDbf& champ : champs) {
    const QByteArray nom = champ.name.toLatin1().left(kLongueurNomChamp);
    std::copy(nom.cbegin(), nom.cend(), d);
    d[11] = static_cast<unsigned char>(champ.type);
    d[16] = static_cast<unsigned char>(champ.width);
    if (champ.type == 'N' || champ.type == 'F') {
      d[17] = static_cast<unsigned char>(champ.decimals);
    }
    d += kTailleDescripteur;
  }
  *d = kFinDescripteurs;
  return descripteurs;
}

void EnteteDbf::FixerNombreLignes(std::uint32_t lignes) {
  for (int b = 0; b < 4; ++b) {
    octets[static_cast<std::size_t>(kPositionNombreLignes + b)] =
        static_cast<unsigned char>((lignes >> (8 * b)) & 0xFF);
  }
}

void EnteteDbf::MettreAJour(std::uint32_t lignes, QDate derniereMaj) {
  octets[1] = static_cast<unsigned char>(derniereMaj.year() - 1900);
  octets[2] = static_cast<unsigned char>(derniereMaj.month());
  octets[3] = static_cast<unsigned char>(derniereMaj.day());
  FixerNombreLignes(lignes);
}

platform::ErreurBaseDonnees RefusIndexProduction(const QString& chemin) {
  return platform::ErreurBaseDonnees(
      platform::ErreurBaseDonnees::kIndexedTable,
      QStringLiteral("La table %1 a un index de production (.mdx) que ce programme ne sait pas "
                     "tenir à jour : aucune ligne n'y a été écrite.")
          .arg(QFileInfo(chemin).fileName()));
}

}  // namespace brivane::dbf
