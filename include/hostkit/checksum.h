// Checksums and digests: the library's CRC-32 of buffers and whole files and MD5 digests
// (RFC 1321) of buffers and whole files.
#pragma once

#include <hostkit/afx.h>

// CRC-32 over the polynomial 0x04C11DB7, most significant bit first, starting from all ones,
// with the length of the data folded in after the data (least significant byte first, only as
// many bytes as the length has significant bytes) and the result complemented.
//   "abc" (3 bytes) => 0x8FAEA5D9;  any buffer with length 0 => 0 (no byte is read).
// A negative length reads nothing but still folds its four bytes, taken as unsigned.
// Safe to call from any thread, including several making their first call at once.
HOSTKIT_API DWORD GetCRC32(unsigned char* const buffer, int length);

// The CRC-32 of the named file's bytes, computed as GetCRC32 computes it, and in 'size' the
// number of bytes checksummed (the file's length, unless it changed while being read). For
// files below 4 GiB the value is the one GetCRC32 gives for the same bytes; larger files fold
// their full 64-bit length. The file is read in blocks while others may read it too, but not
// while another holder has it open for writing: a file that cannot be opened (missing, no
// access, held for writing) throws CFileException, as does a read error; 'size' is then
// unchanged.
//   a file holding "abc" => 0x8FAEA5D9, size 3;  an empty file => 0, size 0
HOSTKIT_API DWORD GetFileCRC32(const CString& path, ULONGLONG& size);

// A 16-byte MD5 digest, in RFC 1321 output order. A default value is 16 zero bytes.
class HOSTKIT_API CNuMD5 {
 public:
  CNuMD5();
  // Copies the first 16 bytes of the array, which must hold at least 16.
  CNuMD5(const CByteArray& data);
  CNuMD5(const CNuMD5& other);
  ~CNuMD5();

  CNuMD5& operator=(const CNuMD5& other);
  // TRUE (1) when the 16 bytes are equal, else FALSE (0).
  int operator==(const CNuMD5& other) const;

  // The array holding the 16 digest bytes.
  const CByteArray& GetData() const;
  // Overwrites the value with the first 16 bytes of the array, which must hold at least 16.
  void Set(const CByteArray& data);

  // Sets the value to the digest of the named file and 'size' to the file's length at opening.
  // The file is opened exclusively: one that cannot be opened (missing, no access, held open
  // by another) throws CFileException, as does a read error; the value is then unchanged, but
  // 'size' may already hold the length when the failure happens while reading.
  void GetFileMD5(CString& path, DWORD& size);
  // Sets the value to the digest of 'count' bytes (a non-negative count).
  void GetBufferMD5(unsigned char* const buffer, int count);

 private:
  CByteArray m_data;
};

// The digest of the named file into 'digest' (resized to 16) and its length into 'size'; fails
// as CNuMD5::GetFileMD5 does, leaving 'digest' unchanged.
HOSTKIT_API void GetFileMD5(CString& path, CByteArray& digest, DWORD& size);
