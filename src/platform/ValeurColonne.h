#pragma once

#include <QString>
#include <QtGlobal>

#include <variant>

namespace brivane::platform {

// The value of one column as it crosses BaseDonnees and TableDbf: null
// (std::monostate), a whole number, a real or a text. Nothing else can be
// stored, so a reader's switch over these four is complete.
using ValeurColonne = std::variant<std::monostate, qlonglong, double, QString>;

inline bool EstNulle(const ValeurColonne& valeur) {
  return std::holds_alternative<std::monostate>(valeur);
}

}  // namespace brivane::platform
