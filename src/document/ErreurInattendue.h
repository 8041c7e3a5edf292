#pragma once

#include "platform/Erreur.h"

#include <cstdint>

namespace brivane {

// A failure that a back end cannot handle itself (a failed SDK or database
// call). Enregistrer catches it and reports its number and description.
class ErreurInattendue : public platform::Erreur {
 public:
  // Numbers of our own, for failures that carry no status of their own.
  static constexpr std::int32_t kBackEndIndisponible = -1001;
  static constexpr std::int32_t kErreurInterne = -1002;
  static constexpr std::int32_t kMemoireInsuffisante = -1003;

  using Erreur::Erreur;
};

}  // namespace brivane
