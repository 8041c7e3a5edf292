#pragma once

// What the implementations of the OS layer share; not for its callers.

#include "platform/os/Fichier.h"

namespace brivane::os::detail {

// The kind of failure an errno number is.
ErreurOs::Kind GenreDe(int code);

}  // namespace brivane::os::detail
