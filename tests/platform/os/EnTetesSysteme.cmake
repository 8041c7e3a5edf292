# Fails when a file of SOURCES outside platform/os includes an operating
# system's header, or compiles code for one system only: every system call
# goes through the OS layer, and every branch of the rest compiles everywhere
# (os::kWindows with `if constexpr` instead of #ifdef).
#   cmake -DSOURCES=src -P EnTetesSysteme.cmake
file(GLOB_RECURSE files ${SOURCES}/*.cpp ${SOURCES}/*.h ${SOURCES}/*.hpp ${SOURCES}/*.c)
set(system_headers
  "unistd|fcntl|dirent|dlfcn|grp|pwd|poll|signal|spawn|termios|utime|syslog|netdb|pthread|semaphore"
  "|windows|winbase|windef|winnt|winreg|winsock2?|ws2tcpip|io|direct|process|share|shlobj|shellapi"
  "|objbase|combaseapi|ntdef|winternl|fileapi|handleapi|synchapi|sysinfoapi|errhandlingapi")
string(JOIN "" system_headers ${system_headers})
set(pattern "#[ \t]*include[ \t]*[<\"]((${system_headers})\\.h|(sys|linux|asm|arpa|netinet|mach)/[^>\"]*)[>\"]")
set(conditional "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif).*(Q_OS_|_WIN32|_WIN64|__linux__|__unix__|__APPLE__|__MINGW)")
set(found "")
foreach(f IN LISTS files)
  file(RELATIVE_PATH relative ${SOURCES} ${f})
  if(relative MATCHES "^platform/os/")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*(include|if|elif)")
  foreach(line IN LISTS lines)
    string(TOLOWER "${line}" lower)
    if(lower MATCHES "${pattern}" OR line MATCHES "${conditional}")
      string(APPEND found "  ${relative}: ${line}\n")
    endif()
  endforeach()
endforeach()
list(LENGTH files count)
if(found)
  message(FATAL_ERROR "operating-system headers or conditionals outside src/platform/os:\n${found}")
endif()
message(STATUS "${count} files of src/: no operating-system header or conditional outside src/platform/os")
