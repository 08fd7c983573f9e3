# The Windows builds' run time: the compiler's runtime DLLs, which hostkit.dll and its clients
# share (see mingw-w64-common.cmake), and Wine, which runs the test programs.
#
# The runtime DLLs are copied into one folder of the build tree; Wine searches it for the test
# programs, and the same files are installed beside hostkit.dll, so the package carries what
# the tests ran with.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(unwinder libgcc_s_dw2-1.dll)
else()
  set(unwinder libgcc_s_seh-1.dll)
endif()
set(HOSTKIT_RUNTIME_DIR ${CMAKE_BINARY_DIR}/runtime)
set(HOSTKIT_RUNTIME_DLLS)
foreach(dll ${unwinder} libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
  endif()
  file(COPY ${found} DESTINATION ${HOSTKIT_RUNTIME_DIR})
  list(APPEND HOSTKIT_RUNTIME_DLLS ${HOSTKIT_RUNTIME_DIR}/${dll})
endforeach()
install(FILES ${HOSTKIT_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)

if(CMAKE_CROSSCOMPILING)
  # Test programs run under Wine, all in one prefix inside the build tree (32-bit for the
  # 32-bit build). HOSTKIT_WINE_RUN is the runner without the prefix, for tests that add
  # options of their own.
  set(HOSTKIT_WINE_RUN ${PROJECT_SOURCE_DIR}/cmake/wine-run --dll-dir ${HOSTKIT_RUNTIME_DIR})
  set(HOSTKIT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HOSTKIT_WINE_RUN} ${HOSTKIT_WINE_PREFIX})
endif()
