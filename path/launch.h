// Launching programs: what the command-line tool needs beyond the exported functions.
#pragma once

#include <hostkit/path.h>

namespace hk::launch {

// RunApp, and when the program was waited for to its end, its exit code in *exitCode
// (untouched otherwise; exitCode may be NULL).
int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle, DWORD* exitCode);

}  // namespace hk::launch
