#pragma once

#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace brivane::dbf {

// The fixed part of a .dbf header, before the field descriptors.
inline constexpr int kTailleEntete = 32;
// One field descriptor, and the byte that ends their list.
inline constexpr int kTailleDescripteur = 32;
inline constexpr unsigned char kFinDescripteurs = 0x0D;
// The byte after the last record.
inline constexpr char kFinFichier = 0x1A;
// Where the fixed header keeps the record count (4 bytes, little-endian).
inline constexpr int kPositionNombreLignes = 4;
// The version byte of the tables we create: dBASE III and IV without memo.
inline constexpr unsigned char kVersionSansMemo = 0x03;
// A field name's longest length: its descriptor keeps a NUL after it.
inline constexpr int kLongueurNomChamp = 10;

// One column of a dBASE table as its header describes it.
struct ChampDbf {
  QString name;
  char type = 'C';
  int width = 0;
  int decimals = 0;
  int offset = 0;  // within the record, after the deletion flag

  bool operator==(const ChampDbf&) const = default;
};

// A .dbf header: the fixed bytes kept as read, so that writing it back changes
// only what this program means to change, and the columns they describe.
struct EnteteDbf {
  std::array<unsigned char, kTailleEntete> octets{};
  std::vector<ChampDbf> champs;  // filled by LireChamps

  static EnteteDbf Lire(const unsigned char* fixe);
  // The fixed bytes at the start of the file; nothing when it is shorter.
  // Throws os::ErreurOs.
  static std::optional<EnteteDbf> LireFichier(os::Fichier& fichier);
  // The header of a new empty table with these columns (their offsets set
  // here), dated `creation`. A column no descriptor can hold is refused,
  // naming the table at `chemin`.
  static EnteteDbf Nouvelle(const QString& chemin, std::vector<ChampDbf> colonnes,
                            unsigned char piloteLangue, QDate creation);

  unsigned char version() const { return octets[0]; }
  // dBASE III and IV tables, with or without memo.
  bool estDbase() const { return (version() & 0x07) == 0x03; }
  std::uint32_t nombreLignes() const;
  int longueurEntete() const { return octets[8] | (octets[9] << 8); }
  int longueurLigne() const { return octets[10] | (octets[11] << 8); }
  // dBASE opens table.mdx itself when this byte is set.
  bool indexProduction() const { return octets[28] != 0; }
  unsigned char piloteLangue() const { return octets[29]; }
  // Where record n starts in the file.
  std::uint64_t positionLigne(std::uint64_t n) const {
    return static_cast<std::uint64_t>(longueurEntete()) +
           n * static_cast<std::uint64_t>(longueurLigne());
  }

  // The descriptors that follow the fixed bytes, up to their end mark; a
  // type other than C, N, F, L, D and M is kept, to be read as text.
  void LireChamps(QByteArrayView descripteurs);
  // The descriptors of `champs` and their end mark, as LireChamps reads them:
  // each the name NUL-padded, the type, the width and, for numbers, the
  // decimals; every other byte zero.
  QByteArray EcrireChamps() const;
  // The record count alone, as each appended row changes it.
  void FixerNombreLignes(std::uint32_t lignes);
  // The record count and the last-update date: the only bytes a write changes.
  void MettreAJour(std::uint32_t lignes, QDate derniereMaj);
};

// The refusal to write a table whose production index would no longer match.
platform::ErreurBaseDonnees RefusIndexProduction(const QString& chemin);

}  // namespace brivane::dbf
