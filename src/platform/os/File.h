#pragma once

// The operating-system calls of the table engine, behind one small interface
// with nothing but the standard library in it, so that each system brings its
// own implementation (FilePosix.cpp here). Paths are UTF-8.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace brivane::os {

// A failed system call: what was attempted, on which path, and the system's
// error number (errno, or GetLastError on Windows).
class Error : public std::exception {
 public:
  enum class Kind { NotFound, Exists, AccessDenied, NoSpace, Other };

  Error(Kind kind, int code, std::string operation, std::string path)
      : kind_(kind),
        code_(code),
        operation_(std::move(operation)),
        path_(std::move(path)),
        what_(operation_ + " " + path_ + ": " + std::to_string(code_)) {}

  Kind kind() const { return kind_; }
  int code() const { return code_; }
  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  Kind kind_;
  int code_;
  std::string operation_;
  std::string path_;
  std::string what_;
};

// What identifies one state of a file: any write by anyone changes it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;  // inode, or the file index on Windows
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;

  bool operator==(const FileIdentity&) const = default;
};

// One open file. Every operation throws Error on failure; nothing is retried
// silently. One thread at a time per object.
class File {
 public:
  enum class Mode {
    Read,       // an existing file, read only
    ReadWrite,  // an existing file
    CreateNew,  // a new file, read and write; fails with Kind::Exists when there is one
  };
  enum class LockKind { Shared, Exclusive };

  // Opens the file; the handle is not inherited by child processes.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode);

  virtual ~File() = default;

  // Reads up to `size` bytes at `offset`; fewer only at the end of the file.
  virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
  // Writes all `size` bytes at `offset`, or throws.
  virtual void WriteAt(std::uint64_t offset, const void* buffer, std::size_t size) = 0;
  // Returns once what was written is on the disk.
  virtual void Sync() = 0;
  virtual std::uint64_t Size() = 0;
  virtual void Truncate(std::uint64_t size) = 0;
  virtual FileIdentity Identity() = 0;
  // Locks a byte range (which may lie past the end of the file) against other
  // handles, in this process or another, and against programs that lock
  // ranges the same way (LockFileEx on Windows, fcntl here). Waits at most
  // `wait`; false when the range stays held by someone else.
  virtual bool Lock(std::uint64_t offset, std::uint64_t length, LockKind kind,
                    std::chrono::milliseconds wait) = 0;
  virtual void Unlock(std::uint64_t offset, std::uint64_t length) = 0;
  const std::string& path() const { return path_; }

 protected:
  explicit File(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

// Whether a file exists at the path.
bool Exists(const std::string& path);
// The identity of the file at the path; nothing when it cannot be read.
std::optional<FileIdentity> IdentityOf(const std::string& path);
// Removes the file; true when it was there.
bool Remove(const std::string& path);
// Makes the folder's list of files durable (a created or removed file); a
// system that needs nothing of the kind does nothing.
void SyncFolder(const std::string& folder);

// Failures injected by tests: the n-th write or sync from now (counted from
// 0) fails as a full disk or an I/O error would. -1 injects nothing.
struct FaultPlan {
  int failWrite = -1;
  int failSync = -1;
};
void InjectFaults(const FaultPlan& plan);

}  // namespace brivane::os
