#pragma once

#include <QByteArray>

namespace brivane::platform {

// How DeplacerSansEcraser may go about it.
enum class ModeDeplacement {
  Normal,       // a rename, or a copy when the two are on different file systems
  CopieForcee,  // always the copy, as across file systems (for tests)
};

// Moves the file source to cible (names as the system takes them) and never
// replaces anything at cible. On one file system: a rename. Across file
// systems: a copy under a temporary name in cible's folder, flushed to disk,
// renamed to cible, then source removed; on any failure the copy is removed
// and source stays as it was. Returns 0, or the errno of the failure (EEXIST
// when cible exists).
int DeplacerSansEcraser(const QByteArray& source, const QByteArray& cible,
                        ModeDeplacement mode = ModeDeplacement::Normal);

}  // namespace brivane::platform
