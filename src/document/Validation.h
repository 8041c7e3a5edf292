#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>

// Table-driven field checks shared by Client and Item.
namespace brivane::validation {

// One column of a rule: whether the check runs under that system, and if so
// whether it fails.
struct Si {
  bool verifie = false;
  bool echoue = false;

  static Si Vide(const QString& s) { return {true, s.isEmpty()}; }
  static constexpr Si PlusDe(qsizetype longueur, qsizetype limite) {
    return {true, longueur > limite};
  }
  static constexpr Si Echec(bool echoue) { return {true, echoue}; }
  // The check does not run under that system.
  static constexpr Si Jamais() { return {}; }
};

struct Regle {
  Si acomba;  // code 1
  Si dbase;   // code 2
  QStringView message;
};

// Runs the rules in order for typeSys; any code other than 1 and 2 runs only the
// rules that both systems check. Appends CR LF + message for each failure.
inline bool Appliquer(std::span<const Regle> regles, std::int32_t typeSys, QString& message) {
  bool resultat = true;
  for (const Regle& r : regles) {
    Si colonne;
    if (typeSys == 1) {
      colonne = r.acomba;
    } else if (typeSys == 2) {
      colonne = r.dbase;
    } else if (r.acomba.verifie && r.dbase.verifie) {
      colonne = r.acomba;
    }
    if (colonne.verifie && colonne.echoue) {
      message += u"\r\n";
      message += r.message;
      resultat = false;
    }
  }
  return resultat;
}

}  // namespace brivane::validation
