#pragma once

// What the implementations of the OS layer share; not for its callers.

#include "platform/os/Fichier.h"

namespace brivane::os::detail {

// True when a failure injected by InjecterPannes is due now, for the next write
// (writes, truncations, renames, removals) or the next sync.
bool PanneEcritureDue();
bool PanneSynchroDue();

// The kind of failure an errno number is.
ErreurOs::Kind GenreDe(int code);

}  // namespace brivane::os::detail
