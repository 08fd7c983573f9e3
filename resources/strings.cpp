// The library's string table as data, for platforms whose modules carry no resources.
#include "resources/strings.h"

namespace hk::resources {

const ModuleString kLibraryStrings[] = {
#define HK_STRING(id, symbol, text) {id, text},
#include "resources/strings.def"
#undef HK_STRING
};

const size_t kLibraryStringCount = sizeof(kLibraryStrings) / sizeof(kLibraryStrings[0]);

}  // namespace hk::resources
