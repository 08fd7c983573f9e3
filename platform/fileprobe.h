// The probe behind EnsureValidFile: whether a file may be used under a name. The platforms
// answer it differently; the answer means the same on both.
#pragma once

#include <hostkit/win32types.h>

namespace hk {

// TRUE when the name holds a regular file that opens for reading and writing (not a pipe,
// socket or device: ERROR_OPEN_FAILED), or holds nothing and a new file could be created under
// it. Never leaves a file behind and never deletes one; FALSE with the system's error otherwise.
BOOL ProbeFileName(LPCSTR name);

}  // namespace hk
