#include "platform/os/Fichier.h"
#include "platform/os/Interne.h"
#include "platform/os/Systeme.h"

#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace brivane::os {

namespace {

using detail::GenreDe;

// The errno number callers and the French texts know for a Windows error.
int CodeOf(DWORD native) {
  switch (native) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_PRIVILEGE_NOT_HELD:
      return EPERM;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return EIO;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
      return EBUSY;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_NO_UNICODE_TRANSLATION:
      return EINVAL;
    case ERROR_NOT_READY:
      return ENXIO;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_SEM_TIMEOUT:
      return ETIMEDOUT;
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
      return ENOTCONN;
    case ERROR_NOT_SUPPORTED:
      return EOPNOTSUPP;
    default:
      return kWindowsErrorBase + static_cast<int>(native);
  }
}

[[noreturn]] void Fail(const char* operation, const std::string& path,
                       DWORD native = GetLastError()) {
  const int code = CodeOf(native);
  throw ErreurOs(GenreDe(code), code, operation, path, static_cast<int>(native));
}

// A failure with an errno number of its own (a write that wrote nothing).
[[noreturn]] void FailWith(const char* operation, const std::string& path, int code) {
  throw ErreurOs(GenreDe(code), code, operation, path, code);
}

// UTF-8 to the system's UTF-16; text that is not UTF-8 names no file.
std::wstring Wide(const std::string& path) {
  if (path.empty()) {
    return {};
  }
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                       static_cast<int>(path.size()), nullptr, 0);
  if (size <= 0) {
    Fail("open", path);
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                      wide.data(), size);
  return wide;
}

std::string Narrow(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Nanoseconds since 1970 of a time in 100 ns ticks since 1601.
std::int64_t Nanoseconds(std::int64_t ticks) {
  constexpr std::int64_t k1970 = 116444736000000000;
  return (ticks - k1970) * 100;
}

std::int64_t Nanoseconds(const FILETIME& t) {
  return Nanoseconds(static_cast<std::int64_t>(Join(t.dwHighDateTime, t.dwLowDateTime)));
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// The status of an open handle, whatever it names.
EtatFichier StatusOfHandle(HANDLE handle, const std::string& path) {
  EtatFichier status;
  switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR:
      status.type = TypeEntree::Device;
      return status;
    case FILE_TYPE_PIPE:
      status.type = TypeEntree::Fifo;
      return status;
    case FILE_TYPE_DISK:
      break;
    default:
      return status;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    Fail("stat", path);
  }
  status.type = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TypeEntree::Directory
                                                                        : TypeEntree::Regular;
  status.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
  status.device = info.dwVolumeSerialNumber;
  status.file = Join(info.nFileIndexHigh, info.nFileIndexLow);
  return status;
}

IdentiteFichier IdentityOfHandle(HANDLE handle, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandle(handle, &info) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
    Fail("stat", path);
  }
  return {info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow),
          Join(info.nFileSizeHigh, info.nFileSizeLow), Nanoseconds(info.ftLastWriteTime),
          Nanoseconds(static_cast<std::int64_t>(basic.ChangeTime.QuadPart))};
}

// Any other handle may read, write, rename or delete meanwhile, as on POSIX;
// the dBASE programs sharing a table open it the same way.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class WindowsFile final : public Fichier {
 public:
  WindowsFile(std::string path, HANDLE handle) : Fichier(std::move(path)), handle_(handle) {}
  ~WindowsFile() override { CloseHandle(handle_); }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  std::size_t LireA(std::uint64_t offset, void* buffer, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      OVERLAPPED at = At(offset + done);
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1U << 30));
      DWORD got = 0;
      if (!ReadFile(handle_, static_cast<char*>(buffer) + done, ask, &got, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) {
          break;
        }
        Fail("read", path(), error);
      }
      if (got == 0) {
        break;
      }
      done += got;
    }
    return done;
  }

  void EcrireA(std::uint64_t offset, const void* buffer, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      OVERLAPPED at = At(offset + done);
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1U << 30));
      DWORD put = 0;
      if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, ask, &put, &at)) {
        Fail("write", path());
      }
      if (put == 0) {
        FailWith("write", path(), ENOSPC);
      }
      done += put;
    }
  }

  void Synchroniser() override {
    if (!FlushFileBuffers(handle_)) {
      Fail("sync", path());
    }
  }

  std::uint64_t Taille() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) {
      Fail("stat", path());
    }
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Tronquer(std::uint64_t size) override {
    // Sets the end without moving a file pointer, which positioned I/O ignores.
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &end, sizeof end)) {
      Fail("truncate", path());
    }
  }

  IdentiteFichier Identite() override { return IdentityOfHandle(handle_, path()); }

  EtatFichier Etat() override { return StatusOfHandle(handle_, path()); }

  void ChangerPermissions(std::uint32_t) override {}

  // LockFileEx locks are mandatory: locked bytes cannot be read or written
  // through other handles. The dBASE lock bytes lie past the data for that.
  bool Verrouiller(std::uint64_t offset, std::uint64_t length, GenreVerrou kind,
                   std::chrono::milliseconds wait) override {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (kind == GenreVerrou::Exclusif) {
      flags |= LOCKFILE_EXCLUSIVE_LOCK;
    }
    for (;;) {
      OVERLAPPED at = At(offset);
      if (LockFileEx(handle_, flags, 0, static_cast<DWORD>(length & 0xFFFFFFFF),
                     static_cast<DWORD>(length >> 32), &at)) {
        return true;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
        Fail("lock", path(), error);
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  void Deverrouiller(std::uint64_t offset, std::uint64_t length) override {
    OVERLAPPED at = At(offset);
    UnlockFileEx(handle_, 0, static_cast<DWORD>(length & 0xFFFFFFFF),
                 static_cast<DWORD>(length >> 32), &at);
  }

 private:
  HANDLE handle_;
};

// A handle on whatever the path names, a folder included, for its status.
HANDLE OpenForStatus(const std::string& path, DWORD& error) {
  const HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return handle;
}

}  // namespace

std::unique_ptr<Fichier> Fichier::Ouvrir(const std::string& path, Mode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case Mode::Lecture:
      break;
    case Mode::LectureEcriture:
      access |= GENERIC_WRITE;
      break;
    case Mode::CreationNouveau:
      access |= GENERIC_WRITE;
      disposition = CREATE_NEW;
      break;
  }
  // No security attributes: the handle is not inherited by child processes.
  const HANDLE handle = CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail("open", path);
  }
  return std::make_unique<WindowsFile>(path, handle);
}

bool Existe(const std::string& path) {
  DWORD error = 0;
  const HANDLE handle = OpenForStatus(path, error);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(handle);
  return true;
}

bool EntreeExiste(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Through a handle that asks for the attributes only, which no other
// program's share mode refuses.
std::optional<IdentiteFichier> IdentiteChemin(const std::string& path) {
  DWORD error = 0;
  const HANDLE handle = OpenForStatus(path, error);
  if (handle == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  std::optional<IdentiteFichier> identity;
  try {
    identity = IdentityOfHandle(handle, path);
  } catch (const ErreurOs&) {
  }
  CloseHandle(handle);
  return identity;
}

EtatFichier EtatChemin(const std::string& path) {
  DWORD error = 0;
  const HANDLE handle = OpenForStatus(path, error);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail("stat", path, error);
  }
  try {
    const EtatFichier status = StatusOfHandle(handle, path);
    CloseHandle(handle);
    return status;
  } catch (...) {
    CloseHandle(handle);
    throw;
  }
}

// Windows checks a folder's rights only when a file is made in it, and its
// read-only attribute forbids nothing: what can be told beforehand is that
// the folder is there.
void VerifierDossierInscriptible(const std::string& folder) {
  if (EtatChemin(folder).type != TypeEntree::Directory) {
    Fail("access", folder, ERROR_DIRECTORY);
  }
}

bool Supprimer(const std::string& path) {
  if (DeleteFileW(Wide(path).c_str())) {
    return true;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) {
    return false;
  }
  Fail("remove", path, error);
}

// NTFS journals its folders; renames are made durable by MOVEFILE_WRITE_THROUGH.
void SynchroniserDossier(const std::string& /*folder*/) {}

void RenommerSansRemplacer(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing `to` fails the move, and
  // without MOVEFILE_COPY_ALLOWED another volume does.
  if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
    Fail("rename", from);
  }
}

std::string NomOrdinateur() {
  // The name GetComputerName gives: at most 15 characters.
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameExW(ComputerNameNetBIOS, name, &size)) {
    return {};
  }
  return Narrow(name, static_cast<int>(size));
}

std::string DescriptionErreurNative(int native) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(native), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string description = length > 0 ? Narrow(text, static_cast<int>(length)) : std::string();
  LocalFree(text);
  while (!description.empty() &&
         (description.back() == '\n' || description.back() == '\r' || description.back() == ' ')) {
    description.pop_back();
  }
  return description.empty() ? "Windows error " + std::to_string(native) : description;
}

std::vector<std::string> Arguments(int, const char* const*) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    arguments.push_back(Narrow(wide[i], -1));
    // With -1 the length counts the terminating nul.
    if (!arguments.back().empty()) {
      arguments.back().pop_back();
    }
  }
  LocalFree(wide);
  return arguments;
}

void IgnorerTubeRompu() {}

}  // namespace brivane::os
