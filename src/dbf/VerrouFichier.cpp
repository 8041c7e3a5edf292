#include "dbf/VerrouFichier.h"

namespace brivane::dbf {

std::unique_ptr<VerrouFichier> VerrouFichier::Take(os::SystemeFichiers& fichiers,
                                                   const std::string& path,
                                                   std::chrono::milliseconds wait) {
  auto file = fichiers.Ouvrir(path, os::Fichier::Mode::LectureEcriture);
  if (!file->Verrouiller(kLockBase, kFileLockLength, os::Fichier::GenreVerrou::Exclusif, wait)) {
    return nullptr;
  }
  return std::unique_ptr<VerrouFichier>(new VerrouFichier(std::move(file)));
}

VerrouFichier::~VerrouFichier() {
  try {
    file_->Deverrouiller(kLockBase, kFileLockLength);
  } catch (...) {
    // Closing the handle releases it anyway.
  }
}

}  // namespace brivane::dbf
