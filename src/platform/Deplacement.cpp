#include "platform/Deplacement.h"

#include "platform/os/Fichier.h"

namespace brivane::platform {

int DeplacerSansEcraser(const QByteArray& source, const QByteArray& cible, ModeDeplacement mode) {
  try {
    os::DeplacerSansRemplacer(os::SystemeFichiers::Reel(), source.toStdString(),
                              cible.toStdString(), mode == ModeDeplacement::CopieForcee);
    return 0;
  } catch (const os::ErreurOs& e) {
    return e.code();
  }
}

}  // namespace brivane::platform
