#pragma once

#include "platform/os/Fichier.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace brivane::dbf {

// The lock convention of the dBASE IV family's drivers: a record is locked by
// one byte at kLockBase plus the record's offset in the file, the whole table
// by the range of kFileLockLength bytes from kLockBase, which covers every
// record's byte. The bytes lie past the data, so readers are never blocked.
inline constexpr std::uint64_t kLockBase = 0x40000000;
inline constexpr std::uint64_t kFileLockLength = 0x3FFFFFFD;

// An exclusive lock on a whole table, through a handle of its own, held until
// destruction. Other handles, in this process or another, and Windows
// programs locking the same ranges wait for it.
class VerrouFichier final {
 public:
  // Nothing when another holder keeps the table past `wait`. Throws os::ErreurOs
  // when the table cannot be opened for writing. The handle, and what is
  // written with it, goes through `fichiers`.
  static std::unique_ptr<VerrouFichier> Take(os::SystemeFichiers& fichiers, const std::string& path,
                                             std::chrono::milliseconds wait);

  ~VerrouFichier();
  VerrouFichier(const VerrouFichier&) = delete;
  VerrouFichier& operator=(const VerrouFichier&) = delete;

  // The handle that holds the lock, open for reading and writing.
  os::Fichier& file() { return *file_; }

 private:
  explicit VerrouFichier(std::unique_ptr<os::Fichier> file) : file_(std::move(file)) {}
  std::unique_ptr<os::Fichier> file_;
};

}  // namespace brivane::dbf
