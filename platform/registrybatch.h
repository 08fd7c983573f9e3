// Registry calls that see one state of the registry, and writes that take effect together. The
// platforms answer it differently: the POSIX store runs a batch as one database transaction;
// the system registry of Windows has no transactions its ordinary functions take part in, so
// there a batch is not supported and the caller checks what it can before it writes.
#pragma once

#include <hostkit/win32types.h>

namespace hk {

// Starts a batch on a predefined root (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) for the calling
// thread. Until EndRegistryBatch, the registry calls it makes below that root see one state of
// the registry, and, with 'write', the writes among them are kept all together or not at all
// (the root's store is then created if it does not exist, and other processes' writers wait for
// the batch as they do for any write: it should be short). Other threads of the process that
// use the root's store meanwhile wait until the batch ends. One batch per root and thread at a
// time (ERROR_INVALID_FUNCTION for a second); where batches are not supported,
// ERROR_NOT_SUPPORTED.
LONG BeginRegistryBatch(HKEY root, bool write);

// Ends the calling thread's batch on the root: with 'commit', keeps its writes, else undoes
// them all. Anything but ERROR_SUCCESS means none of them were kept (ERROR_INVALID_FUNCTION
// when no batch was open).
LONG EndRegistryBatch(HKEY root, bool commit);

}  // namespace hk
