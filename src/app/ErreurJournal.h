#pragma once

#include "platform/Erreur.h"

#include <cstdint>

namespace brivane {

// A failure of the import journal: its French reason ("le journal des
// importations « … » ne peut pas être écrit : …"), which the import run or
// the window puts in its own sentence. A failure SQLite reported keeps
// SQLite's result code as its number.
class ErreurJournal : public platform::Erreur {
 public:
  // Numbers of our own (SQLite's result codes are positive).
  static constexpr std::int32_t kDossierImpossible = -3101;
  static constexpr std::int32_t kLectureSeule = -3102;
  static constexpr std::int32_t kVerrousImpossibles = -3103;
  static constexpr std::int32_t kReservationImpossible = -3104;

  using Erreur::Erreur;
};

}  // namespace brivane
