# Cross build for 32-bit Windows, the library's own form, with the MinGW-w64 POSIX-threads
# compilers; its programs run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(HOSTKIT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
