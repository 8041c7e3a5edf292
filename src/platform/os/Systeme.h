#pragma once

// The operating system's other services: the computer's name and the words
// for its errors.

#include <span>
#include <string>
#include <vector>

namespace brivane::os {

// The computer's network name as the system gives it (on Windows the NetBIOS
// name, as GetComputerName gives it); empty when the system gives none.
std::string NomOrdinateur();

// The program's arguments after its name, as the system gave them: the bytes
// of argv on POSIX (a name is any bytes), UTF-8 from the wide command line on
// Windows (argv is in the ANSI code page there, which loses characters).
std::vector<std::string> Arguments(int argc, const char* const* argv);

// Writing to a pipe whose reader went away fails with EPIPE instead of ending
// the program (POSIX's SIGPIPE; Windows has no such signal).
void IgnorerTubeRompu();

// The French reason for an error number (ErreurOs::code(): errno numbers, on
// every system), as a clause that fits after "… : " in a message, in UTF-8.
// A number without a text of its own gives "erreur du système n° N". Never the
// system's own words, which may be English.
std::string TexteErreurFrancais(int code);

// Every error number that has a text of its own.
std::span<const int> ErreursTraduites();

// ErreurOs::code() of a Windows error that has no errno counterpart: this plus
// GetLastError's number.
inline constexpr int kWindowsErrorBase = 0x20000000;

// The system's own description of ErreurOs::native() (strerror, FormatMessageW),
// in the system's language: for logs and bug reports, never shown to users.
std::string DescriptionErreurNative(int native);

}  // namespace brivane::os
