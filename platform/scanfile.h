// Files read once from start to end, as checksums read them: opened, read and closed with as
// few system calls as the platform allows, since a batch of small files costs little else.
#pragma once

#include <hostkit/win32types.h>

#include <cstdint>

namespace hk {

struct ScanFile {
  intptr_t native = -1;  // the system's descriptor or handle; -1 when not open
  uint64_t size = 0;     // the length when opened
};

// Opens a regular file for reading. A directory fails with ERROR_ACCESS_DENIED, anything else
// that is not a regular file (a FIFO, device or socket) with ERROR_OPEN_FAILED, and opening
// never waits, not even for a FIFO without a writer.
// Others may read the file, and delete or rename it, while it is open, but not write it: a file
// another holder has open for writing (or that it denies reading) fails with
// ERROR_SHARING_VIOLATION, and opens for writing are refused until it is closed. FALSE with the
// system's error code (GetLastError) otherwise: missing, no access, a bad name.
BOOL OpenScanFile(LPCSTR name, ScanFile& file);

// Reads up to 'count' bytes at 'offset' into 'buffer'; fewer only at the end of the file (*read
// 0 past it). Threads may read one open file at different offsets at once. FALSE with the
// system's error code on a read error.
BOOL ReadScanFile(const ScanFile& file, uint64_t offset, void* buffer, DWORD count, DWORD* read);

void CloseScanFile(ScanFile& file);

}  // namespace hk
