// Build configuration shared by every exported header: the export macro and the version.
#pragma once

#define HOSTKIT_VERSION_MAJOR 0
#define HOSTKIT_VERSION_MINOR 1
#define HOSTKIT_VERSION_PATCH 0
#define HOSTKIT_VERSION_TEXT "0.1.0"

// HOSTKIT_API marks what the library exports. Programs that link the static archive (the test
// suites) define HOSTKIT_STATIC and import nothing.
#if defined(_WIN32)
#  if defined(HOSTKIT_BUILDING)
#    define HOSTKIT_API __declspec(dllexport)
#  elif defined(HOSTKIT_STATIC)
#    define HOSTKIT_API
#  else
#    define HOSTKIT_API __declspec(dllimport)
#  endif
#else
#  define HOSTKIT_API __attribute__((visibility("default")))
#endif
