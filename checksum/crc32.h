// The CRC-32 of GetCRC32 in its four steps, and the interchangeable ways of running the update
// step. Every update gives exactly what the byte-at-a-time table gives; the faster ones only
// take more bytes per step.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>
#include <cstdint>

namespace hk::checksum {

constexpr uint32_t kCrcPolynomial = 0x04C11DB7u;

// The byte table: entry i is i shifted into the top byte and divided through by the polynomial.
// Valid after the first Crc32Start (or Crc32Tables) call.
const uint32_t* Crc32Table();

// Builds the tables once per process; any number of threads may call it at once.
void Crc32Tables();

// Start: builds the tables when needed and returns the initial running value.
uint32_t Crc32Start();
// Update with the fastest way this processor offers.
uint32_t Crc32Update(uint32_t crc, const unsigned char* bytes, size_t count);
// Finish: folds the length in, least significant byte first, and complements. 'length' is
// 64 bits wide so that streams longer than 4 GiB can be finished; a length below 2^32 folds
// exactly what GetCRC32 folds.
uint32_t Crc32Finish(uint32_t crc, uint64_t length);

// The running value that 'count' zero bytes leave behind from 'crc': crc times x^(8 count)
// modulo the polynomial. It joins checksums of consecutive pieces taken apart: with A's
// running value a (from Crc32Start) and B's running value b started from 0,
//   Crc32Shift(a, |B|) ^ b  is the running value of A followed by B.
uint32_t Crc32Shift(uint32_t crc, uint64_t count);

// The individual update paths (tables must be built). Exposed for tests and benchmarks.
uint32_t Crc32UpdateBytewise(uint32_t crc, const unsigned char* bytes, size_t count);
uint32_t Crc32UpdateSlicing(uint32_t crc, const unsigned char* bytes, size_t count);
// Carry-less multiply folding; only valid where Crc32HasFolding() is true.
bool Crc32HasFolding();
uint32_t Crc32UpdateFolding(uint32_t crc, const unsigned char* bytes, size_t count);
// The same folding on 256-bit registers; only valid where Crc32HasWideFolding() is true.
bool Crc32HasWideFolding();
uint32_t Crc32UpdateWideFolding(uint32_t crc, const unsigned char* bytes, size_t count);

// Forgets the built tables, so that the next call builds them again. For tests only, and only
// while no other thread computes a CRC.
void Crc32ResetTablesForTest();

}  // namespace hk::checksum
