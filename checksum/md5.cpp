// CNuMD5 and GetFileMD5: MD5 digests of buffers and of whole files, files streamed through a
// fixed block so that memory use does not depend on their size.
#include <hostkit/checksum.h>

#include "checksum/md5.h"

#include <cstring>

namespace {

constexpr int kDigestSize = 16;

// Large enough that reading costs little next to digesting; lives on the stack of the call,
// aligned because the system's copy into a buffer a few bytes off a cache line is several times
// slower on some processors.
constexpr UINT kReadBlock = 64 * 1024;

// Digests the named file. The file is opened exclusively (flags 0), so a file another holder
// has open for writing fails here with CFileException instead of giving a digest of bytes in
// flux. 'size' receives the length at opening, before anything is read.
void DigestFile(const char* path, DWORD& size, unsigned char digest[kDigestSize]) {
  CFile file(path, 0);
  size = file.GetLength();
  hk::checksum::Md5State state;
  hk::checksum::Md5Init(state);
  alignas(64) unsigned char block[kReadBlock];
  for (;;) {
    const UINT read = file.Read(block, kReadBlock);
    if (read == 0) break;
    hk::checksum::Md5Update(state, block, read);
  }
  hk::checksum::Md5Finish(state);
  file.Close();
  std::memcpy(digest, state.digest, kDigestSize);
}

}  // namespace

CNuMD5::CNuMD5() { m_data.SetSize(kDigestSize, -1); }

CNuMD5::CNuMD5(const CByteArray& data) {
  m_data.SetSize(kDigestSize, -1);
  Set(data);
}

CNuMD5::CNuMD5(const CNuMD5& other) {
  m_data.SetSize(kDigestSize, -1);
  Set(other.m_data);
}

CNuMD5::~CNuMD5() = default;

CNuMD5& CNuMD5::operator=(const CNuMD5& other) {
  if (this != &other) Set(other.m_data);
  return *this;
}

int CNuMD5::operator==(const CNuMD5& other) const {
  return std::memcmp(m_data.GetData(), other.m_data.GetData(), kDigestSize) == 0 ? TRUE : FALSE;
}

const CByteArray& CNuMD5::GetData() const { return m_data; }

// An array shorter than a digest is the caller's mistake; its missing bytes read as zero
// rather than from beyond its end.
void CNuMD5::Set(const CByteArray& data) {
  const int available = data.GetSize();
  for (int i = 0; i < kDigestSize; ++i) m_data[i] = i < available ? data[i] : 0;
}

void CNuMD5::GetFileMD5(CString& path, DWORD& size) {
  unsigned char digest[kDigestSize];
  DigestFile(path, size, digest);
  for (int i = 0; i < kDigestSize; ++i) m_data[i] = digest[i];
}

void CNuMD5::GetBufferMD5(unsigned char* const buffer, int count) {
  hk::checksum::Md5State state;
  hk::checksum::Md5Init(state);
  if (count > 0) hk::checksum::Md5Update(state, buffer, static_cast<size_t>(count));
  hk::checksum::Md5Finish(state);
  for (int i = 0; i < kDigestSize; ++i) m_data[i] = state.digest[i];
}

void GetFileMD5(CString& path, CByteArray& digest, DWORD& size) {
  unsigned char bytes[kDigestSize];
  DigestFile(path, size, bytes);
  digest.SetSize(kDigestSize, -1);
  for (int i = 0; i < kDigestSize; ++i) digest[i] = bytes[i];
}
