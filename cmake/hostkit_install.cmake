# Installation: headers under include/hostkit, the library, a CMake package and a pkg-config
# file, so that applications can use find_package(hostkit) or pkg-config.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/hostkit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS hostkit EXPORT hostkitTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT hostkitTargets NAMESPACE hostkit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/hostkitConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/hostkitConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hostkitConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hostkitConfig.cmake ${PROJECT_BINARY_DIR}/hostkitConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/hostkit)

set(HOSTKIT_PC_LIBS "-lhostkit")
configure_file(${PROJECT_SOURCE_DIR}/cmake/hostkit.pc.in ${PROJECT_BINARY_DIR}/hostkit.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hostkit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
