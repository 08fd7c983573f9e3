// A foreign extension module for the frame tests: its own string 130 and a long string 200,
// and two exported entry points for binding tests.
#include <hostkit/frame.h>

#include <string>

#if defined(_WIN32)
#  define FOREIGN_EXPORT extern "C" __declspec(dllexport)
#else
#  define FOREIGN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

FOREIGN_EXPORT int HkTestEntryA() { return 1; }
FOREIGN_EXPORT int HkTestEntryB() { return 2; }

#if !defined(_WIN32)
// POSIX modules carry no resources: the module registers its table with the library.
namespace {
const std::string kLong(9000, 'x');
const LOCALSTRING kTable[] = {{130, "Foreign module string 130"}, {200, kLong.c_str()}};
struct Registrar {
  Registrar() { RegisterLocalStrings(kTable, kTable, 2); }
  ~Registrar() { RegisterLocalStrings(kTable, nullptr, 0); }
} registrar;
}  // namespace
#endif
