// Checksums of many files in one call: files are read in large pieces, their MD5 digests
// computed side by side in the lanes of the multi-lane engine, and big batches spread over
// every processor with threads that live only for the call.
#pragma once

#include <hostkit/checksum.h>

#include <cstddef>

namespace hk::checksum {

// GetFileDigests on names[0 .. count - 1].
void DigestFiles(const char* const* names, size_t count, DWORD kinds, FileDigest* results);

}  // namespace hk::checksum
