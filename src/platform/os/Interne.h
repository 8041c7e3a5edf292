#pragma once

// What the implementations of the OS layer share; not for its callers.

#include "platform/os/Fichier.h"

namespace brivane::os::detail {

// True when a failure injected by InjectFaults is due now, for the next write
// (writes, truncations, renames, removals) or the next sync.
bool WriteFailureDue();
bool SyncFailureDue();

// The kind of failure an errno number is.
ErreurOs::Kind KindOf(int code);

}  // namespace brivane::os::detail
