#pragma once

// Standard C++ only: the OS layer's test, built for Windows too, uses it.
#include "platform/os/Fichier.h"

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <utility>

namespace brivane::testing {

// Which write and which sync fail, counted from 0; -1 fails none.
struct Pannes {
  int ecriture = -1;
  int synchro = -1;
};

// A file system that passes everything to another one, but makes one write
// (a write, a truncation, a removal or a rename, on itself or on a file it
// opened) or one sync (of a file or a folder) fail, as a full disk or a
// failing disk would: the failure is thrown before the operation, which then
// does nothing. Files of one commit are synced from several threads at once.
class SystemeAvecPannes final : public os::SystemeFichiers {
 public:
  SystemeAvecPannes(os::SystemeFichiers& dessous, Pannes pannes)
      : dessous_(dessous), compte_(std::make_shared<Compte>(pannes)) {}

  std::unique_ptr<os::Fichier> Ouvrir(const std::string& path, os::Fichier::Mode mode) override {
    return std::make_unique<FichierAvecPannes>(dessous_.Ouvrir(path, mode), compte_);
  }
  bool Supprimer(const std::string& path) override {
    compte_->Ecriture("remove", path, EIO);
    return dessous_.Supprimer(path);
  }
  void RenommerSansRemplacer(const std::string& from, const std::string& to) override {
    compte_->Ecriture("rename", from, EIO);
    dessous_.RenommerSansRemplacer(from, to);
  }
  void SynchroniserDossier(const std::string& folder) override {
    compte_->Synchro(folder);
    dessous_.SynchroniserDossier(folder);
  }

 private:
  // Shared with the files, which may outlive the system that opened them.
  struct Compte {
    explicit Compte(Pannes p) : pannes(p) {}
    void Ecriture(const char* operation, const std::string& path, int code) {
      if (ecritures++ == pannes.ecriture) {
        Echouer(operation, path, code);
      }
    }
    void Synchro(const std::string& path) {
      if (synchros++ == pannes.synchro) {
        Echouer("sync", path, EIO);
      }
    }
    // What the system says of a full disk (ENOSPC) or an I/O error (EIO).
    [[noreturn]] static void Echouer(const char* operation, const std::string& path, int code) {
      throw os::ErreurOs(code == ENOSPC ? os::ErreurOs::Kind::NoSpace : os::ErreurOs::Kind::Other,
                         code, operation, path);
    }

    const Pannes pannes;
    std::atomic<int> ecritures{0};
    std::atomic<int> synchros{0};
  };

  class FichierAvecPannes final : public os::Fichier {
   public:
    FichierAvecPannes(std::unique_ptr<os::Fichier> dessous, std::shared_ptr<Compte> compte)
        : Fichier(dessous->path()), dessous_(std::move(dessous)), compte_(std::move(compte)) {}

    std::size_t LireA(std::uint64_t offset, void* buffer, std::size_t size) override {
      return dessous_->LireA(offset, buffer, size);
    }
    void EcrireA(std::uint64_t offset, const void* buffer, std::size_t size) override {
      compte_->Ecriture("write", path(), ENOSPC);
      dessous_->EcrireA(offset, buffer, size);
    }
    void Synchroniser() override {
      compte_->Synchro(path());
      dessous_->Synchroniser();
    }
    std::uint64_t Taille() override { return dessous_->Taille(); }
    void Tronquer(std::uint64_t size) override {
      compte_->Ecriture("truncate", path(), EIO);
      dessous_->Tronquer(size);
    }
    os::IdentiteFichier Identite() override { return dessous_->Identite(); }
    os::EtatFichier Etat() override { return dessous_->Etat(); }
    void ChangerPermissions(std::uint32_t permissions) override {
      dessous_->ChangerPermissions(permissions);
    }
    bool Verrouiller(std::uint64_t offset, std::uint64_t length, GenreVerrou kind,
                     std::chrono::milliseconds wait) override {
      return dessous_->Verrouiller(offset, length, kind, wait);
    }
    void Deverrouiller(std::uint64_t offset, std::uint64_t length) override {
      dessous_->Deverrouiller(offset, length);
    }

   private:
    std::unique_ptr<os::Fichier> dessous_;
    std::shared_ptr<Compte> compte_;
  };

  os::SystemeFichiers& dessous_;
  std::shared_ptr<Compte> compte_;
};

}  // namespace brivane::testing
