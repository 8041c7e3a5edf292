// What every system does the same way, on top of its own calls.
#include "platform/os/Fichier.h"
#include "platform/os/Interne.h"

#include <cerrno>
#include <random>
#include <vector>

namespace brivane::os {

namespace detail {

ErreurOs::Kind GenreDe(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return ErreurOs::Kind::NotFound;
    case EEXIST:
      return ErreurOs::Kind::Exists;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErreurOs::Kind::AccessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return ErreurOs::Kind::NoSpace;
    default:
      return ErreurOs::Kind::Other;
  }
}

}  // namespace detail

namespace {

// The system's calls, as they are.
class SystemeReel final : public SystemeFichiers {
 public:
  std::unique_ptr<Fichier> Ouvrir(const std::string& path, Fichier::Mode mode) override {
    return Fichier::Ouvrir(path, mode);
  }
  bool Supprimer(const std::string& path) override { return os::Supprimer(path); }
  void RenommerSansRemplacer(const std::string& from, const std::string& to) override {
    os::RenommerSansRemplacer(from, to);
  }
  void SynchroniserDossier(const std::string& folder) override { os::SynchroniserDossier(folder); }
};

}  // namespace

SystemeFichiers& SystemeFichiers::Reel() {
  static SystemeReel reel;
  return reel;
}

std::string DossierParent(const std::string& path) {
  const std::size_t i = kWindows ? path.find_last_of("/\\") : path.find_last_of('/');
  if (i == std::string::npos) {
    return ".";
  }
  // "/x" and "C:\x" keep their root.
  if (i == 0 || (kWindows && i == 2 && path[1] == ':')) {
    return path.substr(0, i + 1);
  }
  return path.substr(0, i);
}

std::unique_ptr<Fichier> CreerTemporaire(SystemeFichiers& fichiers, const std::string& folder,
                                         const std::string& prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0;; ++attempt) {
    std::string name = folder + "/" + prefix;
    for (int i = 0; i < 8; ++i) {
      name += kLetters[pick(random)];
    }
    try {
      return fichiers.Ouvrir(name, Fichier::Mode::CreationNouveau);
    } catch (const ErreurOs& e) {
      if (e.kind() != ErreurOs::Kind::Exists || attempt == 100) {
        throw;
      }
    }
  }
}

namespace {

void Copy(Fichier& from, Fichier& to) {
  std::vector<char> buffer(1 << 16);
  std::uint64_t offset = 0;
  for (;;) {
    const std::size_t got = from.LireA(offset, buffer.data(), buffer.size());
    if (got == 0) {
      break;
    }
    to.EcrireA(offset, buffer.data(), got);
    offset += got;
  }
}

// Cleaning up after a failure: the failure is what the caller hears of.
void RemoveQuietly(SystemeFichiers& fichiers, const std::string& path) {
  try {
    fichiers.Supprimer(path);
    fichiers.SynchroniserDossier(DossierParent(path));
  } catch (const ErreurOs&) {
  }
}

void CopyThenRemove(SystemeFichiers& fichiers, const std::string& from, const std::string& to) {
  const std::string folder = DossierParent(to);
  auto source = Fichier::Ouvrir(from, Fichier::Mode::Lecture);
  const EtatFichier status = source->Etat();
  if (status.type != TypeEntree::Regular) {
    throw ErreurOs(ErreurOs::Kind::Other, EINVAL, "copy", from);
  }
  auto copy = CreerTemporaire(fichiers, folder, ".brivane-deplacement-");
  const std::string temporary = copy->path();
  try {
    copy->ChangerPermissions(status.permissions);
    Copy(*source, *copy);
    copy->Synchroniser();
    copy.reset();
    // Windows keeps the name of an open file that is removed.
    source.reset();
    fichiers.RenommerSansRemplacer(temporary, to);
  } catch (const ErreurOs&) {
    copy.reset();
    RemoveQuietly(fichiers, temporary);
    throw;
  }
  try {
    fichiers.Supprimer(from);
  } catch (const ErreurOs&) {
    // The source stays: the copy goes, so that the file exists only once.
    RemoveQuietly(fichiers, to);
    throw;
  }
  // The move is done: a folder that cannot be synced changes nothing the
  // caller could act on.
  try {
    fichiers.SynchroniserDossier(DossierParent(from));
  } catch (const ErreurOs&) {
  }
}

}  // namespace

void DeplacerSansRemplacer(SystemeFichiers& fichiers, const std::string& from,
                           const std::string& to, bool copy) {
  if (!copy) {
    try {
      fichiers.RenommerSansRemplacer(from, to);
      return;
    } catch (const ErreurOs& e) {
      if (e.code() != EXDEV) {
        throw;
      }
    }
  }
  if (EntreeExiste(to)) {
    throw ErreurOs(ErreurOs::Kind::Exists, EEXIST, "rename", to);
  }
  CopyThenRemove(fichiers, from, to);
}

}  // namespace brivane::os
