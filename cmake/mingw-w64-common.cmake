# What both Windows cross builds share; the toolchain file of each width sets
# HOSTKIT_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR, then includes this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${HOSTKIT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HOSTKIT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HOSTKIT_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HOSTKIT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The compiler's runtime (libgcc, libstdc++, winpthreads) is linked as DLLs, never statically:
# an exception thrown in hostkit.dll and caught in its client crosses modules, and 32-bit
# MinGW unwinds with DWARF tables that each static copy of libgcc registers only for its own
# module. With one shared unwinder and one C++ runtime the catch works on both widths. The
# runtime DLLs ship beside hostkit.dll.
