// CMemFile: a file whose bytes live in memory and grow as they are written.
#include <hostkit/afx/file.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

IMPLEMENT_DYNAMIC(CMemFile, CFile)

struct CMemFile::Impl {
  std::vector<BYTE> bytes;  // the file's contents; size() is its length
  DWORD position = 0;
  UINT growBytes;
};

namespace {

// Makes room for 'length' bytes, in steps of the grow size; new bytes are zero. A length past
// what a DWORD can count, or memory that cannot be had, is the framework's memory failure.
void Resize(std::vector<BYTE>& bytes, uint64_t length, UINT growBytes) {
  if (length > 0xFFFFFFFFull) AfxThrowMemoryException();
  try {
    if (length > bytes.capacity()) {
      const uint64_t step = growBytes != 0 ? growBytes : 1;
      const uint64_t rounded = std::min<uint64_t>((length + step - 1) / step * step, 0xFFFFFFFFull);
      bytes.reserve(std::max<uint64_t>(rounded, std::min<uint64_t>(bytes.capacity() * 2, 0xFFFFFFFFull)));
    }
    bytes.resize(static_cast<size_t>(length), 0);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

}  // namespace

CMemFile::CMemFile(UINT growBytes) : m_impl(new Impl) { m_impl->growBytes = growBytes; }

// The framework attaches a caller's buffer; the bytes are copied here, so the file owns them and
// may grow.
CMemFile::CMemFile(const BYTE* data, UINT size) : m_impl(new Impl) {
  m_impl->growBytes = 1024;
  if (data != nullptr && size != 0) m_impl->bytes.assign(data, data + size);
}

CMemFile::~CMemFile() { delete m_impl; }

UINT CMemFile::Read(void* buffer, UINT count) {
  const size_t length = m_impl->bytes.size();
  if (count == 0 || m_impl->position >= length) return 0;
  const UINT read = static_cast<UINT>(std::min<size_t>(count, length - m_impl->position));
  std::memcpy(buffer, m_impl->bytes.data() + m_impl->position, read);
  m_impl->position += read;
  return read;
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  const uint64_t end = static_cast<uint64_t>(m_impl->position) + count;
  // Writing past the end after a seek leaves zeros in the gap.
  if (end > m_impl->bytes.size()) Resize(m_impl->bytes, end, m_impl->growBytes);
  std::memcpy(m_impl->bytes.data() + m_impl->position, buffer, count);
  m_impl->position = static_cast<DWORD>(end);
}

LONG CMemFile::Seek(LONG offset, UINT from) {
  int64_t origin;
  switch (from) {
    case begin: origin = 0; break;
    case current: origin = m_impl->position; break;
    case end: origin = static_cast<int64_t>(m_impl->bytes.size()); break;
    default: AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
  }
  const int64_t target = origin + offset;
  // Only positions a LONG can report back are reachable.
  if (target < 0 || target > 0x7FFFFFFF) AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
  m_impl->position = static_cast<DWORD>(target);
  return static_cast<LONG>(target);
}

DWORD CMemFile::GetLength() const { return static_cast<DWORD>(m_impl->bytes.size()); }

DWORD CMemFile::GetPosition() const { return m_impl->position; }

void CMemFile::SetLength(DWORD newLength) {
  Resize(m_impl->bytes, newLength, m_impl->growBytes);
  if (m_impl->position > newLength) m_impl->position = newLength;
}

void CMemFile::Flush() {}

void CMemFile::Close() {
  std::vector<BYTE>().swap(m_impl->bytes);
  m_impl->position = 0;
}

void CMemFile::Abort() { Close(); }

const BYTE* CMemFile::Data() const { return m_impl->bytes.data(); }
