#include "platform/ErreurSysteme.h"

#include "platform/os/Systeme.h"

namespace brivane::platform {

std::string TexteErreurSysteme(int erreur) { return os::TexteErreurFrancais(erreur); }

std::span<const int> ErreursTraduites() { return os::ErreursTraduites(); }

}  // namespace brivane::platform
