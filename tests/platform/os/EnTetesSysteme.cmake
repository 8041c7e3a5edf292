# Fails when a file of SOURCES outside platform/os includes an operating
# system's header: every system call goes through the OS layer.
#   cmake -DSOURCES=src -P EnTetesSysteme.cmake
file(GLOB_RECURSE files ${SOURCES}/*.cpp ${SOURCES}/*.h ${SOURCES}/*.hpp ${SOURCES}/*.c)
set(system_headers
  "unistd|fcntl|dirent|dlfcn|grp|pwd|poll|signal|spawn|termios|utime|syslog|netdb|pthread|semaphore"
  "|windows|winbase|windef|winnt|winreg|winsock2?|ws2tcpip|io|direct|process|share|shlobj|shellapi"
  "|objbase|combaseapi|ntdef|winternl|fileapi|handleapi|synchapi|sysinfoapi|errhandlingapi")
string(JOIN "" system_headers ${system_headers})
set(pattern "#[ \t]*include[ \t]*[<\"]((${system_headers})\\.h|(sys|linux|asm|arpa|netinet|mach)/[^>\"]*)[>\"]")
set(found "")
foreach(f IN LISTS files)
  file(RELATIVE_PATH relative ${SOURCES} ${f})
  if(relative MATCHES "^platform/os/")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    string(TOLOWER "${line}" lower)
    if(lower MATCHES "${pattern}")
      string(APPEND found "  ${relative}: ${line}\n")
    endif()
  endforeach()
endforeach()
list(LENGTH files count)
if(found)
  message(FATAL_ERROR "operating-system headers outside src/platform/os:\n${found}")
endif()
message(STATUS "${count} files of src/: no operating-system header outside src/platform/os")
