# Installation: headers under include/hostkit, the library, a CMake package and a pkg-config
# file, so that applications can use find_package(hostkit) or pkg-config. What a program needs
# to run is the component "runtime", what a developer builds with "dev".
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/hostkit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT dev)
install(TARGETS hostkit EXPORT hostkitTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT hostkitTargets NAMESPACE hostkit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/hostkitConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/hostkitConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hostkitConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hostkitConfig.cmake ${PROJECT_BINARY_DIR}/hostkitConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit COMPONENT dev)

set(HOSTKIT_PC_LIBS "-lhostkit")
# The prefix is found from where the file lies, so that it serves wherever the files are put:
# the install prefix, a package's /usr, a folder a package was unpacked into.
file(RELATIVE_PATH HOSTKIT_PC_PREFIX ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/hostkit.pc.in ${PROJECT_BINARY_DIR}/hostkit.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hostkit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT dev)
