#include "dbf/FormeInstruction.h"

#include <array>
#include <charconv>
#include <string_view>
#include <utility>

namespace brivane::dbf {

namespace {

// The token before, as far as a following minus sign is concerned.
enum class Avant { Operateur, Mot, Fermant };

// What each byte can be in a token, looked up rather than tested.
enum : unsigned char { kEspace = 1, kChiffre = 2, kDebutMot = 4, kMot = 8, kHex = 16 };

constexpr std::array<unsigned char, 256> Classes() {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    unsigned char k = 0;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') k |= kEspace;
    if (c >= '0' && c <= '9') k |= kChiffre | kMot | kHex;
    // SQLite's identifier characters: any byte of a multi-byte UTF-8 character counts.
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80) {
      k |= kDebutMot | kMot;
    }
    if (c == '$') k |= kMot;
    if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) k |= kHex;
    classes[static_cast<std::size_t>(c)] = k;
  }
  return classes;
}
constexpr std::array<unsigned char, 256> kClasses = Classes();

bool Est(char c, unsigned char classe) {
  return (kClasses[static_cast<unsigned char>(c)] & classe) != 0;
}
bool Espace(char c) { return Est(c, kEspace); }
bool Chiffre(char c) { return Est(c, kChiffre); }
bool ChiffreHex(char c) { return Est(c, kHex); }
bool DebutMot(char c) { return Est(c, kDebutMot); }
bool CaractereMot(char c) { return Est(c, kMot); }

// The words that matter here, told apart without a case-insensitive compare each.
enum class Mot { Autre, Select, Insert, Update, From, Fige, Null, Is, Not, True, False };

Mot Classer(QByteArrayView mot) {
  if (mot.size() < 2 || mot.size() > 9) {
    return Mot::Autre;
  }
  char bas[9];
  for (qsizetype i = 0; i < mot.size(); ++i) {
    bas[i] = static_cast<char>(mot[i] | 0x20);  // letters only matter below
  }
  const std::string_view v(bas, static_cast<std::size_t>(mot.size()));
  static constexpr std::pair<std::string_view, Mot> kMots[] = {
      {"select", Mot::Select},  {"insert", Mot::Insert}, {"update", Mot::Update},
      {"from", Mot::From},      {"order", Mot::Fige},    {"group", Mot::Fige},
      {"returning", Mot::Fige}, {"null", Mot::Null},     {"is", Mot::Is},
      {"not", Mot::Not},        {"true", Mot::True},     {"false", Mot::False}};
  for (const auto& [texte, sorte] : kMots) {
    if (v == texte) {
      return sorte;
    }
  }
  return Mot::Autre;
}

// The end of a quoted token starting at i (its closing quote included), or -1.
qsizetype FinCitation(QByteArrayView t, qsizetype i, char fermant, bool doublee) {
  for (qsizetype j = i + 1; j < t.size(); ++j) {
    if (t[j] == fermant) {
      if (doublee && j + 1 < t.size() && t[j + 1] == fermant) {
        ++j;
        continue;
      }
      return j + 1;
    }
  }
  return -1;
}

// The end of the number token starting at i (SQLite's rules), and whether it is a real.
qsizetype FinNombre(QByteArrayView t, qsizetype i, bool& reel, bool& hex) {
  const qsizetype n = t.size();
  qsizetype j = i;
  if (t[i] == '0' && i + 2 < n && (t[i + 1] == 'x' || t[i + 1] == 'X') && ChiffreHex(t[i + 2])) {
    hex = true;
    for (j = i + 2; j < n && ChiffreHex(t[j]); ++j) {
    }
    return j;
  }
  while (j < n && Chiffre(t[j])) {
    ++j;
  }
  if (j < n && t[j] == '.') {
    reel = true;
    for (++j; j < n && Chiffre(t[j]); ++j) {
    }
  }
  if (j + 1 < n && (t[j] == 'e' || t[j] == 'E') &&
      (Chiffre(t[j + 1]) ||
       (j + 2 < n && (t[j + 1] == '+' || t[j + 1] == '-') && Chiffre(t[j + 2])))) {
    reel = true;
    for (j += 2; j < n && Chiffre(t[j]); ++j) {
    }
  }
  return j;
}

}  // namespace

bool DecouperInstruction(QByteArrayView t, bool vraiFauxLibres, FormeInstruction& f) {
  // SQLite stops reading at a NUL: such a text is left to it whole.
  if (t.contains('\0')) {
    return false;
  }
  // Emptied, not freed: the next text reuses the room.
  f.forme.resize(0);
  f.octets.clear();
  f.litteraux.clear();
  const qsizetype n = t.size();
  std::vector<bool> colonnes{false};  // per parenthesis depth: inside a result-column list
  int zones = 0;                      // how many of them are
  bool figee = false;                 // past ORDER BY, GROUP BY or RETURNING
  bool estSelect = false;
  bool premierMot = true;
  Avant avant = Avant::Operateur;
  Mot motPrecedent = Mot::Autre;
  qsizetype moins = -1;  // where a minus sign just read starts in the text
  Avant avantMoins = Avant::Operateur;
  qsizetype copie = 0;  // the text before this is in the shape
  // The literal t[debut, fin) becomes a parameter of the shape.
  const auto remplacer = [&](qsizetype debut, qsizetype fin) {
    f.forme.append(t.sliced(copie, debut - copie));
    f.forme.append('?');
    copie = fin;
  };

  qsizetype i = 0;
  while (i < n) {
    const char c = t[i];
    if (Espace(c)) {
      ++i;
      continue;
    }
    if (premierMot && (!DebutMot(c) || (i + 1 < n && t[i + 1] == '\''))) {
      return false;  // not a verb first
    }
    if ((c == '-' && i + 1 < n && t[i + 1] == '-') || (c == '/' && i + 1 < n && t[i + 1] == '*')) {
      const qsizetype j = c == '-' ? t.indexOf('\n', i) : t.indexOf("*/", i + 2);
      i = j < 0 ? n : (c == '-' ? j : j + 2);
      continue;
    }
    const bool libre = !figee && zones == 0;
    qsizetype fin = -1;
    Avant apres = Avant::Operateur;
    Mot mot = Mot::Autre;
    if (c == '\'') {
      fin = FinCitation(t, i, '\'', true);
      if (fin < 0) {
        return false;
      }
      if (libre) {
        const std::size_t debut = f.octets.size();
        for (qsizetype j = i + 1; j < fin - 1; ++j) {
          f.octets += t[j];
          if (t[j] == '\'') {
            ++j;
          }
        }
        f.litteraux.push_back(
            {LitteralSql::Sorte::Texte, 0, false, debut, f.octets.size() - debut});
        remplacer(i, fin);
      }
      apres = Avant::Fermant;
    } else if (c == '"' || c == '`' || c == '[' ||
               ((c == 'x' || c == 'X') && i + 1 < n && t[i + 1] == '\'')) {
      // Quoted names and blobs stay as written.
      const qsizetype depart = c == 'x' || c == 'X' ? i + 1 : i;
      fin = FinCitation(t, depart, c == '[' ? ']' : t[depart], c == '"' || c == '`');
      if (fin < 0) {
        return false;
      }
      apres = Avant::Fermant;
    } else if (Chiffre(c) || (c == '.' && i + 1 < n && Chiffre(t[i + 1]))) {
      bool reel = false;
      bool hex = false;
      fin = FinNombre(t, i, reel, hex);
      if (fin < n && CaractereMot(t[fin])) {
        return false;  // a token SQLite refuses: let it say so
      }
      const QByteArrayView nombre = t.sliced(i, fin - i);
      bool garder = hex || !libre;
      bool negatif = false;
      if (!garder && moins >= 0) {
        // After an operator the minus is the number's sign; after a name it
        // may be either (a keyword or a column), so the number stays.
        negatif = avantMoins == Avant::Operateur;
        garder = avantMoins == Avant::Mot;
      }
      LitteralSql l;
      if (!garder && reel) {
        l = {LitteralSql::Sorte::Reel, 0, negatif, f.octets.size(),
             static_cast<std::size_t>(nombre.size())};
        f.octets.append(nombre.data(), static_cast<std::size_t>(nombre.size()));
      } else if (!garder) {
        std::int64_t valeur = 0;
        const auto r = std::from_chars(nombre.data(), nombre.data() + nombre.size(), valeur);
        garder = r.ec != std::errc{};  // beyond 64 bits SQLite makes it a real of its own
        l = {LitteralSql::Sorte::Entier, negatif ? -valeur : valeur, false, 0, 0};
      }
      if (!garder) {
        f.litteraux.push_back(l);
        remplacer(negatif ? moins : i, fin);
      }
      apres = Avant::Fermant;
    } else if (DebutMot(c)) {
      for (fin = i + 1; fin < n && CaractereMot(t[fin]);) {
        ++fin;
      }
      mot = Classer(t.sliced(i, fin - i));
      if (premierMot) {
        estSelect = mot == Mot::Select;
        if (!estSelect && mot != Mot::Insert && mot != Mot::Update) {
          return false;
        }
      }
      std::optional<LitteralSql> lie;
      if (mot == Mot::Select || mot == Mot::From) {
        const bool zone = mot == Mot::Select;
        if (colonnes.back() != zone) {
          zones += zone ? 1 : -1;
          colonnes.back() = zone;
        }
      } else if (mot == Mot::Fige) {
        figee = true;
      } else if (mot == Mot::Null && libre && motPrecedent != Mot::Is && motPrecedent != Mot::Not) {
        lie = LitteralSql{};
      } else if ((mot == Mot::True || mot == Mot::False) && vraiFauxLibres && !estSelect && libre) {
        lie = LitteralSql{LitteralSql::Sorte::Entier, mot == Mot::True ? 1 : 0, false, 0, 0};
      }
      if (lie) {
        f.litteraux.push_back(*lie);
        remplacer(i, fin);
        mot = Mot::Autre;
        apres = Avant::Fermant;
      } else {
        apres = Avant::Mot;
      }
    } else if (c == '?' || c == ':' || c == '@' || c == '#' || c == '$') {
      return false;  // parameters of its own
    } else {
      fin = i + 1;
      if (c == '(') {
        colonnes.push_back(false);
      } else if (c == ')' && colonnes.size() > 1) {
        zones -= colonnes.back() ? 1 : 0;
        colonnes.pop_back();
      }
      apres = c == ')' ? Avant::Fermant : Avant::Operateur;
      if (c == '-') {
        moins = i;
        avantMoins = avant;
        avant = apres;
        motPrecedent = Mot::Autre;
        i = fin;
        continue;
      }
    }
    premierMot = false;
    moins = -1;
    avant = apres;
    motPrecedent = mot;
    i = fin;
  }
  f.forme.append(t.sliced(copie));
  return true;
}

}  // namespace brivane::dbf
