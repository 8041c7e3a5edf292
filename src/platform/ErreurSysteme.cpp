#include "platform/ErreurSysteme.h"

#include "platform/os/Systeme.h"

namespace brivane::platform {

std::string TexteErreurSysteme(int erreur) { return os::FrenchErrorText(erreur); }

std::span<const int> ErreursTraduites() { return os::TranslatedErrors(); }

}  // namespace brivane::platform
