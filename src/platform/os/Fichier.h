#pragma once

// The operating-system calls of the program, behind one small interface with
// nothing but the standard library in it, so that each system brings its own
// implementation (FichierPosix.cpp, FichierWindows.cpp; CMake picks one). Paths are
// UTF-8; Windows accepts '/' and '\\' alike.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace brivane::os {

// A failed system call: what was attempted, on which path, and the error
// number. code() is an errno number on every system (Windows errors are
// translated; their French texts are in Systeme.h), so that callers and the French texts need no
// system of their own; native() is what the system said (errno, GetLastError).
class ErreurOs : public std::exception {
 public:
  enum class Kind { NotFound, Exists, AccessDenied, NoSpace, Other };

  ErreurOs(Kind kind, int code, std::string operation, std::string path, int native)
      : kind_(kind),
        code_(code),
        native_(native),
        operation_(std::move(operation)),
        path_(std::move(path)),
        what_(operation_ + " " + path_ + ": " + std::to_string(code_)) {}
  ErreurOs(Kind kind, int code, std::string operation, std::string path)
      : ErreurOs(kind, code, std::move(operation), std::move(path), code) {}

  Kind kind() const { return kind_; }
  int code() const { return code_; }
  int native() const { return native_; }
  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  Kind kind_;
  int code_;
  int native_;
  std::string operation_;
  std::string path_;
  std::string what_;
};

// What identifies one state of a file: any write by anyone changes it.
struct IdentiteFichier {
  std::uint64_t device = 0;
  std::uint64_t file = 0;  // inode, or the file index on Windows
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;

  bool operator==(const IdentiteFichier&) const = default;
};

// What a path names, links followed.
enum class TypeEntree { Regular, Directory, Device, Fifo, Socket, Other };
struct EtatFichier {
  TypeEntree type = TypeEntree::Other;
  std::uint64_t size = 0;
  std::uint64_t device = 0;  // with `file`, the same for two paths of one file or folder
  std::uint64_t file = 0;
  std::uint32_t permissions = 0;  // the mode bits on POSIX; 0 on Windows
};

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif
// The separator a path shown to the user is written with.
inline constexpr char kPathSeparator = kWindows ? '\\' : '/';

// One open file. Every operation throws ErreurOs on failure; nothing is retried
// silently. One thread at a time per object.
class Fichier {
 public:
  enum class Mode {
    Lecture,          // an existing file, read only; never waits on a FIFO or a device
    LectureEcriture,  // an existing file
    CreationNouveau,  // a new file, read and write; fails with Kind::Exists when there is one
  };
  enum class GenreVerrou { Partage, Exclusif };

  // Opens the file; the handle is not inherited by child processes.
  static std::unique_ptr<Fichier> Ouvrir(const std::string& path, Mode mode);

  virtual ~Fichier() = default;

  // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
  virtual std::size_t LireA(std::uint64_t offset, void* buffer, std::size_t size) = 0;
  // Writes all `size` bytes at `offset`, or throws.
  virtual void EcrireA(std::uint64_t offset, const void* buffer, std::size_t size) = 0;
  // Returns once what was written is on the disk.
  virtual void Synchroniser() = 0;
  virtual std::uint64_t Taille() = 0;
  virtual void Tronquer(std::uint64_t size) = 0;
  virtual IdentiteFichier Identite() = 0;
  // What is open: a path may have been replaced between a look and the open.
  virtual EtatFichier Etat() = 0;
  // Gives the file these mode bits where the system has them (best effort:
  // a copy keeps its source's permissions); nothing on Windows.
  virtual void ChangerPermissions(std::uint32_t permissions) = 0;
  // Locks a byte range (which may lie past the end of the file) against other
  // handles, in this process or another, and against programs that lock
  // ranges the same way (LockFileEx on Windows, fcntl here). Waits at most
  // `wait`; false when the range stays held by someone else.
  virtual bool Verrouiller(std::uint64_t offset, std::uint64_t length, GenreVerrou kind,
                           std::chrono::milliseconds wait) = 0;
  virtual void Deverrouiller(std::uint64_t offset, std::uint64_t length) = 0;
  const std::string& path() const { return path_; }

 protected:
  explicit Fichier(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

// Whether a file exists at the path.
bool Existe(const std::string& path);
// Whether anything is at the path, a dangling link included.
bool EntreeExiste(const std::string& path);
// What the path names; throws ErreurOs.
EtatFichier EtatChemin(const std::string& path);
// Throws ErreurOs unless the folder exists and files can be created in it.
void VerifierDossierInscriptible(const std::string& folder);
// The folder part of a path: "." for a bare name.
std::string DossierParent(const std::string& path);
// The identity of the file at the path; nothing when it cannot be read.
std::optional<IdentiteFichier> IdentiteChemin(const std::string& path);
// Removes the file; true when it was there.
bool Supprimer(const std::string& path);
// Makes the folder's list of files durable (a created or removed file); a
// system that needs nothing of the kind does nothing.
void SynchroniserDossier(const std::string& folder);

// Renames a file and never replaces one: throws ErreurOs of Kind::Exists when
// `to` exists, and of code EXDEV when the two are on different volumes.
// Made durable (its folders synced) as far as the system lets.
void RenommerSansRemplacer(const std::string& from, const std::string& to);

// The files as the program's logic writes them: one object, handed down from
// where the program starts, so that a test can wrap it and make any write or
// sync fail, as a full disk or a failing disk would. Reads go straight to the
// functions above: a failed read is tested with a real file.
class SystemeFichiers {
 public:
  virtual ~SystemeFichiers() = default;
  virtual std::unique_ptr<Fichier> Ouvrir(const std::string& path, Fichier::Mode mode) = 0;
  virtual bool Supprimer(const std::string& path) = 0;
  virtual void RenommerSansRemplacer(const std::string& from, const std::string& to) = 0;
  virtual void SynchroniserDossier(const std::string& folder) = 0;

  // The system's own files, for the whole process.
  static SystemeFichiers& Reel();
};

// A new empty file in the folder, named `prefix` and random characters,
// created through `fichiers`.
std::unique_ptr<Fichier> CreerTemporaire(SystemeFichiers& fichiers, const std::string& folder,
                                         const std::string& prefix);

// Moves a file and never replaces anything at `to`. On one volume: a rename.
// Across volumes (or always, with `copy`): a copy under a temporary name in
// `to`'s folder, made durable, renamed to `to`, then `from` removed; on any
// failure the copy is removed and `from` stays as it was. Every write, sync,
// rename and removal goes through `fichiers`. Throws ErreurOs.
void DeplacerSansRemplacer(SystemeFichiers& fichiers, const std::string& from,
                           const std::string& to, bool copy = false);

}  // namespace brivane::os
