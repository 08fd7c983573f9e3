// Checksums of many files in one call: files are read in large pieces, their MD5 digests
// computed side by side in the lanes of the multi-lane engine, and big batches spread over
// every processor with threads that live only for the call.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>
#include <cstdint>

namespace hk::checksum {

constexpr unsigned kWantMd5 = 1;
constexpr unsigned kWantCrc32 = 2;

struct FileOutcome {
  DWORD error;             // ERROR_SUCCESS, or the system's code for why the file was not read
  uint64_t size;           // bytes read: up to the first read that found the end
  unsigned char md5[16];   // with kWantMd5
  uint32_t crc32;          // with kWantCrc32: GetCRC32's value (the 64-bit length folded in)
};

// Fills outcomes[i] for names[i]. A file that cannot be opened or read gets its error and the
// others are still read; only regular files are read.
void DigestFiles(const char* const* names, size_t count, unsigned wanted, FileOutcome* outcomes);

}  // namespace hk::checksum
