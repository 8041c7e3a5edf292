#pragma once

#include <span>
#include <string>

namespace brivane::platform {

// The French reason for a system error number (errno), as a clause that fits
// after "… : " in a message, in UTF-8. A number without a text of its own
// gives "erreur du système n° N". Never the C library's English words.
std::string TexteErreurSysteme(int erreur);

// Every error number that has a text of its own.
std::span<const int> ErreursTraduites();

}  // namespace brivane::platform
