// A source of the tool that reaches past the public API: the build's include check refuses it
// (see tests/CMakeLists.txt). Never compiled.
#include "command.h"

#include <hostkit/hostkit.h>

#include <string>

#include "platform/win32.h"
