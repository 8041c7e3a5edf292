# cmake -DFOLDER=<dir> -DFORBIDDEN=<a;b;...> -P CheckIncludes.cmake
# Fails when a source of FOLDER includes a header of a FORBIDDEN folder: the
# layers below must not know the ones above them, even through a header that
# needs nothing at link time.
file(GLOB_RECURSE sources ${FOLDER}/*.h ${FOLDER}/*.cpp)
if(NOT sources)
  message(FATAL_ERROR "${FOLDER}: no sources found")
endif()
list(JOIN FORBIDDEN "|" alternatives)
set(failures)
foreach(source IN LISTS sources)
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${alternatives})/")
  foreach(line IN LISTS includes)
    list(APPEND failures "${source}: ${line}")
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "forbidden includes:\n${text}")
endif()
