# Fails when a source file in DIR includes anything but the library's exported headers
# (<hostkit/...>), the C++ standard library (<string>, <cstdio> ...) and headers of DIR itself
# ("command.h"): a program built from DIR is a client of the public API, as applications are.
# The check is made on the text, so it holds on every platform and in every build.
#   cmake -DDIR=<folder> [-DSTAMP=<file touched when the check passes>] -P check_public_includes.cmake
if(NOT IS_DIRECTORY "${DIR}")
  message(FATAL_ERROR "check_public_includes: DIR '${DIR}' is not a folder")
endif()
file(GLOB sources "${DIR}/*.cpp" "${DIR}/*.h")
get_filename_component(folder "${DIR}" NAME)
foreach(source IN LISTS sources)
  get_filename_component(name "${source}" NAME)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" included "${line}")
    string(REGEX REPLACE "//.*$" "" included "${included}")
    string(STRIP "${included}" included)
    if(included MATCHES "^<hostkit/[A-Za-z0-9_/]+\\.h>$" OR included MATCHES "^<[a-z_]+>$")
      continue()
    endif()
    if(included MATCHES "^\"([A-Za-z0-9_]+\\.h)\"$" AND EXISTS "${DIR}/${CMAKE_MATCH_1}")
      continue()
    endif()
    message(FATAL_ERROR "${folder}/${name} includes ${included}: it may include only <hostkit/...> "
                        "headers, the C++ standard library and headers of ${folder}/ (it is a "
                        "client of the library's public API)")
  endforeach()
endforeach()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
