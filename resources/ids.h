// Ids of the library's own strings.
#pragma once

enum : unsigned int {
#define HK_STRING(id, symbol, text) symbol = id,
#include "resources/strings.def"
#undef HK_STRING
};
