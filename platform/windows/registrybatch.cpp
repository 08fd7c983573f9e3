// Windows side of the registry batches declared in platform/registrybatch.h: the system's
// registry functions read and write one call at a time and cannot be grouped, so batches are
// not supported.
#include "platform/registrybatch.h"

#include "platform/win32.h"

namespace hk {

LONG BeginRegistryBatch(HKEY, bool) { return ERROR_NOT_SUPPORTED; }

LONG EndRegistryBatch(HKEY, bool) { return ERROR_INVALID_FUNCTION; }

}  // namespace hk
