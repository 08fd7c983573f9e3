// GetFileCRC32: the library's CRC-32 of a whole file, streamed through a fixed block so that
// memory use does not depend on the file's size.
#include <hostkit/checksum.h>

#include "checksum/crc32.h"

namespace {

// Large enough that reading costs little next to checksumming; lives on the stack of the call.
constexpr UINT kReadBlock = 64 * 1024;

}  // namespace

DWORD GetFileCRC32(const CString& path, ULONGLONG& size) {
  // Others may read the file meanwhile but no holder may write it, so the value is that of one
  // version of its bytes.
  CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
  uint32_t crc = hk::checksum::Crc32Start();
  uint64_t length = 0;
  unsigned char block[kReadBlock];
  for (UINT read; (read = file.Read(block, kReadBlock)) > 0; length += read)
    crc = hk::checksum::Crc32Update(crc, block, read);
  file.Close();
  size = length;
  return hk::checksum::Crc32Finish(crc, length);
}
