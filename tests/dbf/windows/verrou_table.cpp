// A Windows program that locks a table as the dBASE IV family's drivers do,
// run under Wine by the lock tests.
//   verrou_table.exe essayer FILE   exit 0 when the whole-table lock was
//                                   granted, 1 when refused, 2 on error
//   verrou_table.exe tenir FILE     takes the lock, prints "tenu", and holds
//                                   it until its standard input closes
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kLockBase = 0x40000000;
constexpr DWORD kFileLockLength = 0x3FFFFFFD;

std::wstring Wide(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: verrou_table essayer|tenir FILE\n");
    return 2;
  }
  const HANDLE file = CreateFileW(Wide(argv[2]).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "CreateFileW: %lu\n", GetLastError());
    return 2;
  }
  OVERLAPPED at{};
  at.Offset = kLockBase;
  const BOOL granted = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                                  kFileLockLength, 0, &at);
  if (!granted) {
    const DWORD error = GetLastError();
    std::printf("refuse %lu\n", error);
    std::fflush(stdout);
    CloseHandle(file);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? 1 : 2;
  }
  if (std::strcmp(argv[1], "tenir") == 0) {
    std::printf("tenu\n");
    std::fflush(stdout);
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
  } else {
    std::printf("accorde\n");
  }
  UnlockFileEx(file, 0, kFileLockLength, 0, &at);
  CloseHandle(file);
  return 0;
}
