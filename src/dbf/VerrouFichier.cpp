#include "dbf/VerrouFichier.h"

namespace brivane::dbf {

std::unique_ptr<VerrouFichier> VerrouFichier::Take(const std::string& path,
                                                   std::chrono::milliseconds wait) {
  auto file = os::Fichier::Open(path, os::Fichier::Mode::ReadWrite);
  if (!file->Lock(kLockBase, kFileLockLength, os::Fichier::LockKind::Exclusive, wait)) {
    return nullptr;
  }
  return std::unique_ptr<VerrouFichier>(new VerrouFichier(std::move(file)));
}

VerrouFichier::~VerrouFichier() {
  try {
    file_->Unlock(kLockBase, kFileLockLength);
  } catch (...) {
    // Closing the handle releases it anyway.
  }
}

}  // namespace brivane::dbf
