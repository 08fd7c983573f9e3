# What ships: the manual page and bash completion of the tool (made from its help texts), and
# the packages cpack makes from the installation.
#
#   Debian (native build): libhostkit<soversion>  the shared library and its providers
#                          libhostkit-dev        headers, the CMake package, pkg-config file
#                          hostkit               the tool, its manual page and completion
#   Windows builds:        one zip per width with bin/ (hostkit.dll, the compiler's runtime
#                          DLLs it shares with its clients, the tool), lib/ (import library,
#                          CMake package), include/
#
#   cpack --config build/native/CPackConfig.cmake -B build/packages

# ---- manual page and completion -------------------------------------------------------------
# Made by running the tool, so only where it runs natively.
if(NOT CMAKE_CROSSCOMPILING)
  find_program(HELP2MAN help2man)
  if(NOT HELP2MAN)
    message(FATAL_ERROR "help2man (Debian help2man) makes the tool's manual page; scripts/install-deps installs it")
  endif()
  set(man_page ${CMAKE_BINARY_DIR}/share/man/man1/hostkit.1)
  set(completion ${CMAKE_BINARY_DIR}/share/bash-completion/completions/hostkit)
  add_custom_command(OUTPUT ${man_page} ${man_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/make-manpage $<TARGET_FILE:hostkit_cli> ${man_page}
    COMMAND gzip -9nkf ${man_page}
    DEPENDS hostkit_cli ${PROJECT_SOURCE_DIR}/cmake/make-manpage
    COMMENT "Manual page hostkit(1) from the tool's help"
    VERBATIM)
  add_custom_command(OUTPUT ${completion}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/bash-completion/completions
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/make-completion $<TARGET_FILE:hostkit_cli> ${completion}
    DEPENDS hostkit_cli ${PROJECT_SOURCE_DIR}/cmake/make-completion
    COMMENT "Bash completion of the tool from its help"
    VERBATIM)
  add_custom_target(hostkit_cli_docs ALL DEPENDS ${man_page}.gz ${completion})
  install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          COMPONENT tool)
  # The tool's suite checks the completion against the tool's command list.
  if(TARGET test_cli)
    add_dependencies(test_cli hostkit_cli_docs)
  endif()
endif()

# ---- packages -------------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME hostkit)
set(CPACK_PACKAGE_VENDOR "HOSTKIT")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operating-system support library for desktop applications")
set(CPACK_PACKAGE_DESCRIPTION
    "Typed settings in a registry, path names and wildcard lists, directory search, files named by
32-bit IDs, memory-mapped files, folder copying, launching programs, CRC-32 and MD5, GUIDs,
IPv4 addresses, a strictly increasing UTC clock, mail and domain account listings, behind a
Win32-style C++ interface.")
set(CPACK_PACKAGE_CONTACT "HOSTKIT maintainers <maintainers@hostkit.invalid>")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME hostkit-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime dev tool)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://hostkit.invalid/")
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

  # The shared library and the providers it loads by name from beside itself. Library
  # dependencies come from dpkg-shlibdeps; SQLite (the registry's store) and libcurl (SMTP
  # delivery) are opened by name at run time, which it cannot see: the registry is part of
  # the library's core, SMTP one way of delivering mail beside the outbox.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libhostkit${PROJECT_VERSION_MAJOR})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libsqlite3-0")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libcurl4")
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libhostkit-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_COMPONENT_DEV_DEPENDS runtime)

  # The tool's run-time needs (C++ runtime included) come with the library package it
  # depends on at its own version: dpkg-shlibdeps could not place a tool linked with
  # libhostkit.so, which belongs to no installed package while the packages are made.
  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME hostkit)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
endif()
include(CPack)
