// GetFileCRC32: the library's CRC-32 of a whole file, as a batch of one file reads it: in pieces,
// so that memory use does not depend on the file's size, and a large file in parts side by side.
#include <hostkit/checksum.h>

#include "checksum/batch.h"

DWORD GetFileCRC32(const CString& path, ULONGLONG& size) {
  const char* name = path;
  FileDigest result{};
  hk::checksum::DigestFiles(&name, 1, DigestCRC32, &result);
  if (result.error != ERROR_SUCCESS) CFileException::ThrowOsError(static_cast<LONG>(result.error), path);
  size = result.size;
  return result.crc32;
}
