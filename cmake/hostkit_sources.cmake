# Library sources: every .cpp of each subsystem folder. A folder adds files without touching
# this list; the platform folder is chosen by the build.
set(HOSTKIT_SUBSYSTEMS afx frame resources checksum path fs registry mail netsec types time)
set(HOSTKIT_SOURCES)
foreach(dir IN LISTS HOSTKIT_SUBSYSTEMS)
  file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND HOSTKIT_SOURCES ${dir_sources})
endforeach()
list(REMOVE_ITEM HOSTKIT_SOURCES ${PROJECT_SOURCE_DIR}/frame/statics.cpp)

if(WIN32)
  file(GLOB platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/windows/*.cpp)
  enable_language(RC)
  set(HOSTKIT_RC ${PROJECT_SOURCE_DIR}/resources/hostkit.rc)
  set(HOSTKIT_SYSTEM_LIBS shell32 comdlg32 user32 advapi32 rpcrt4 mpr ole32)
else()
  file(GLOB platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/posix/*/*.cpp)
  set(HOSTKIT_RC "")
  find_package(Threads REQUIRED)
  set(HOSTKIT_SYSTEM_LIBS Threads::Threads ${CMAKE_DL_LIBS})
  # The registry's store (Debian libsqlite3-dev) is SQLite, loaded when first used
  # (platform/posix/registry/sqlite.cpp): only its header is needed to build.
endif()
list(APPEND HOSTKIT_SOURCES ${platform_sources})
