// Checksums and digests: the library's CRC-32 of buffers and whole files, MD5 digests
// (RFC 1321) of buffers and whole files, and both for many files in one call.
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

// What GetFileDigests computes for each file: one kind or both.
enum DigestKind : DWORD { DigestMD5 = 0x1, DigestCRC32 = 0x2 };

// The outcome for one file of GetFileDigests.
struct FileDigest {
  DWORD error;     // ERROR_SUCCESS, or the system's code for why the file was not read
                   // (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION ...)
  ULONGLONG size;  // bytes read: up to the first read that found the end of the file
  BYTE md5[16];    // with DigestMD5: the digest, in RFC 1321 output order
  DWORD crc32;     // with DigestCRC32: the value GetFileCRC32 gives
};

// Checksums of many files in one call: results[i] (the caller provides paths.GetSize()
// entries) for paths[i]. Every file gets its own result; one that cannot be read does not stop
// the others, and nothing is thrown for a file. Files are opened as GetFileCRC32 opens them
// (others may read them meanwhile, no holder may write them), and only regular files are read:
// a directory gives ERROR_ACCESS_DENIED, a FIFO, device or socket ERROR_OPEN_FAILED, at once.
// Many files are digested side by side in the processor's vector registers; a batch of more than
// a few dozen files, or one large file for its CRC-32 alone, is spread over every processor by
// threads that end before the call returns. Memory use does not depend on the files' sizes.
// Safe to call from any thread.
//   {"abc", "missing"} with DigestMD5 | DigestCRC32 =>
//     {ERROR_SUCCESS, 3, 900150983cd24fb0d6963f7d28e17f72, 0x8FAEA5D9}, {ERROR_FILE_NOT_FOUND, 0, ...}
HOSTKIT_API void GetFileDigests(const CStringArray& paths, DWORD kinds, FileDigest* results);
