#pragma once

// Runs a piece of code in a child process and kills it with SIGKILL just
// before one of its system calls that change a file, as a power cut or a
// killed program would stop it. The child is traced system call by system
// call (ptrace), so that every point between two writes can be reached in
// turn, deterministically.

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace brivane::testing {

// The system calls after which a file may hold something else, or be
// somewhere else: writes, flushes to disk, truncations, removals, renames,
// and opens that create or empty a file.
inline bool ChangeUnFichier(std::uint64_t nr, const std::uint64_t* args) {
  switch (nr) {
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_pwritev2:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_ftruncate:
    case SYS_truncate:
    case SYS_unlink:
    case SYS_unlinkat:
    case SYS_rename:
    case SYS_renameat:
    case SYS_renameat2:
      return true;
    case SYS_open:
      return (args[1] & (O_CREAT | O_TRUNC)) != 0;
    case SYS_openat:
      return (args[2] & (O_CREAT | O_TRUNC)) != 0;
    default:
      return false;
  }
}

struct FinEnfant {
  bool tracable = true;  // false: the system refused to trace the child
  bool tue = false;      // killed by us before a call that changes a file
  int code = -1;         // its exit code when it ran to the end
  int appels = 0;        // calls that change a file it was let run
};

// Forks; the child runs corps() and leaves with its result as exit code.
// With arret >= 0 the child is killed on entering its call number arret
// (counted from 0) among those that change a file: that call never runs, the
// ones before it all ran whole. With arret < 0 it runs to the end and
// `appels` counts every such call it made.
inline FinEnfant ExecuterEtTuer(const std::function<int()>& corps, int arret) {
  FinEnfant fin;
  const pid_t enfant = ::fork();
  if (enfant == 0) {
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
      ::_exit(126);
    }
    ::raise(SIGSTOP);
    int code = 125;
    try {
      code = corps();
    } catch (...) {
    }
    ::_exit(code);  // no exit handlers: the test's own state stays the parent's
  }
  int statut = 0;
  ::waitpid(enfant, &statut, 0);
  if (!WIFSTOPPED(statut) || ::ptrace(PTRACE_SETOPTIONS, enfant, nullptr,
                                      PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL) != 0) {
    ::kill(enfant, SIGKILL);
    ::waitpid(enfant, &statut, 0);
    fin.tracable = false;
    return fin;
  }
  int signal = 0;
  for (;;) {
    ::ptrace(PTRACE_SYSCALL, enfant, nullptr, signal);
    signal = 0;
    if (::waitpid(enfant, &statut, 0) != enfant) {
      fin.tracable = false;
      return fin;
    }
    if (WIFEXITED(statut)) {
      fin.code = WEXITSTATUS(statut);
      return fin;
    }
    if (WIFSIGNALED(statut)) {
      fin.code = 128 + WTERMSIG(statut);
      return fin;
    }
    if (WSTOPSIG(statut) != (SIGTRAP | 0x80)) {
      signal = WSTOPSIG(statut);  // the child's own signal, handed on
      continue;
    }
    __ptrace_syscall_info info{};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, enfant, sizeof info, &info) <= 0) {
      ::kill(enfant, SIGKILL);
      ::waitpid(enfant, &statut, 0);
      fin.tracable = false;
      return fin;
    }
    if (info.op != PTRACE_SYSCALL_INFO_ENTRY || !ChangeUnFichier(info.entry.nr, info.entry.args)) {
      continue;
    }
    if (fin.appels == arret) {
      ::kill(enfant, SIGKILL);
      ::waitpid(enfant, &statut, 0);
      fin.tue = true;
      return fin;
    }
    ++fin.appels;
  }
}

}  // namespace brivane::testing
