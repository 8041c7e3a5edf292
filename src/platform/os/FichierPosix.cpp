#include "platform/os/Fichier.h"
#include "platform/os/Interne.h"
#include "platform/os/Systeme.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

namespace brivane::os {

namespace {

using detail::GenreDe;

[[noreturn]] void Fail(const char* operation, const std::string& path, int code = errno) {
  throw ErreurOs(GenreDe(code), code, operation, path);
}

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

EtatFichier StatusFrom(const struct stat& info) {
  TypeEntree type = TypeEntree::Other;
  if (S_ISREG(info.st_mode)) {
    type = TypeEntree::Regular;
  } else if (S_ISDIR(info.st_mode)) {
    type = TypeEntree::Directory;
  } else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    type = TypeEntree::Device;
  } else if (S_ISFIFO(info.st_mode)) {
    type = TypeEntree::Fifo;
  } else if (S_ISSOCK(info.st_mode)) {
    type = TypeEntree::Socket;
  }
  return {type, static_cast<std::uint64_t>(info.st_size), static_cast<std::uint64_t>(info.st_dev),
          static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::uint32_t>(info.st_mode & 07777)};
}

class PosixFile final : public Fichier {
 public:
  PosixFile(std::string path, int fd) : Fichier(std::move(path)), fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::size_t LireA(std::uint64_t offset, void* buffer, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t got = ::pread(fd_, static_cast<char*>(buffer) + done, size - done,
                                  static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        Fail("read", path());
      }
      if (got == 0) {
        break;
      }
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  void EcrireA(std::uint64_t offset, const void* buffer, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t put = ::pwrite(fd_, static_cast<const char*>(buffer) + done, size - done,
                                   static_cast<off_t>(offset + done));
      if (put < 0 && errno == EINTR) {
        continue;
      }
      if (put <= 0) {
        Fail("write", path(), put == 0 ? ENOSPC : errno);
      }
      done += static_cast<std::size_t>(put);
    }
  }

  void Synchroniser() override {
    if (::fsync(fd_) != 0) {
      Fail("sync", path());
    }
  }

  std::uint64_t Taille() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
      Fail("stat", path());
    }
    return static_cast<std::uint64_t>(info.st_size);
  }

  void Tronquer(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
      Fail("truncate", path());
    }
  }

  IdentiteFichier Identite() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
      Fail("stat", path());
    }
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size), Nanoseconds(info.st_mtim),
            Nanoseconds(info.st_ctim)};
  }

  EtatFichier Etat() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
      Fail("stat", path());
    }
    return StatusFrom(info);
  }

  void ChangerPermissions(std::uint32_t permissions) override {
    ::fchmod(fd_, static_cast<mode_t>(permissions & 07777));
  }

  bool Verrouiller(std::uint64_t offset, std::uint64_t length, GenreVerrou kind,
                   std::chrono::milliseconds wait) override {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      if (SetLock(kind == GenreVerrou::Partage ? F_RDLCK : F_WRLCK, offset, length)) {
        return true;
      }
      if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
        Fail("lock", path());
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  void Deverrouiller(std::uint64_t offset, std::uint64_t length) override {
    SetLock(F_UNLCK, offset, length);
  }

 private:
  // Open-file-description locks: held by this handle, so that two handles of
  // one process exclude each other, and seen by programs that take classic
  // fcntl locks (Wine's LockFileEx, Samba). Kernels without them get classic
  // locks, which exclude other processes only.
  bool SetLock(short type, std::uint64_t offset, std::uint64_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
#ifdef F_OFD_SETLK
    if (!classic_) {
      if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) {
        return true;
      }
      if (errno != EINVAL) {
        return false;
      }
      classic_ = true;
    }
#endif
    return ::fcntl(fd_, F_SETLK, &lock) == 0;
  }

  int fd_;
  bool classic_ = false;
};

}  // namespace

std::unique_ptr<Fichier> Fichier::Ouvrir(const std::string& path, Mode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Lecture:
      // No effect on a regular file; a FIFO or a terminal is opened without
      // waiting, to be refused by what Etat() says.
      flags |= O_RDONLY | O_NONBLOCK | O_NOCTTY;
      break;
    case Mode::LectureEcriture:
      flags |= O_RDWR;
      break;
    case Mode::CreationNouveau:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
  }
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    Fail("open", path);
  }
  return std::make_unique<PosixFile>(path, fd);
}

bool Existe(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::optional<IdentiteFichier> IdentiteChemin(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return IdentiteFichier{static_cast<std::uint64_t>(info.st_dev),
                         static_cast<std::uint64_t>(info.st_ino),
                         static_cast<std::uint64_t>(info.st_size), Nanoseconds(info.st_mtim),
                         Nanoseconds(info.st_ctim)};
}

bool Supprimer(const std::string& path) {
  if (::unlink(path.c_str()) == 0) {
    return true;
  }
  if (errno == ENOENT) {
    return false;
  }
  Fail("remove", path);
}

void SynchroniserDossier(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail("open", folder);
  }
  const int result = ::fsync(fd);
  const int code = errno;
  ::close(fd);
  if (result != 0 && code != EINVAL) {  // EINVAL: a file system without folder syncs
    Fail("sync", folder, code);
  }
}

bool EntreeExiste(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

EtatFichier EtatChemin(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    Fail("stat", path);
  }
  return StatusFrom(info);
}

void VerifierDossierInscriptible(const std::string& folder) {
  const EtatFichier status = EtatChemin(folder);
  if (status.type != TypeEntree::Directory) {
    Fail("access", folder, ENOTDIR);
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    Fail("access", folder);
  }
}

// A rename that fails with EEXIST rather than replace `to`. File systems
// without RENAME_NOREPLACE get a hard link then an unlink, which never
// replaces either.
void RenommerSansRemplacer(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    const int code = errno;
    if (code != EINVAL && code != ENOSYS && code != EOPNOTSUPP) {
      Fail("rename", from, code);
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
      Fail("rename", from);
    }
    if (::unlink(from.c_str()) != 0) {
      const int failure = errno;
      ::unlink(to.c_str());
      Fail("rename", from, failure);
    }
  }
  // Renames become durable with their folders; a failure here changes nothing
  // the caller could act on.
  try {
    SynchroniserDossier(DossierParent(to));
    if (DossierParent(from) != DossierParent(to)) {
      SynchroniserDossier(DossierParent(from));
    }
  } catch (const ErreurOs&) {
  }
}

std::string NomOrdinateur() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) {
    return {};
  }
  return name;
}

std::string DescriptionErreurNative(int native) { return std::strerror(native); }

std::vector<std::string> Arguments(int argc, const char* const* argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void IgnorerTubeRompu() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace brivane::os
