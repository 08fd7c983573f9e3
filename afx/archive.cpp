// CArchive: buffered little-endian serialisation onto a CFile.
#include <hostkit/afx/archive.h>

#include <algorithm>
#include <cstring>
#include <string>

CArchive::CArchive(CFile* file, UINT mode, int bufferSize)
    : m_file(file), m_mode(mode), m_buffer(static_cast<size_t>(bufferSize > 0 ? bufferSize : 4096)) {}

CArchive::~CArchive() {
  if (m_file == nullptr) return;
  try {
    Flush();
  } catch (CException* e) {
    e->Delete();  // a destructor cannot report; Close() is the way to see write errors
  }
}

void CArchive::Flush() {
  if (m_file == nullptr) return;
  if (IsStoring() && m_used > 0) {
    const size_t pending = m_used;
    m_used = 0;
    m_file->Write(m_buffer.data(), static_cast<UINT>(pending));
  }
}

void CArchive::Close() {
  Flush();
  m_file = nullptr;
}

void CArchive::Write(const void* buffer, UINT count) {
  if (!IsStoring()) AfxThrowArchiveException(CArchiveException::readOnly);
  const auto* bytes = static_cast<const BYTE*>(buffer);
  while (count > 0) {
    if (m_used == m_buffer.size()) Flush();
    const size_t n = std::min<size_t>(count, m_buffer.size() - m_used);
    std::memcpy(m_buffer.data() + m_used, bytes, n);
    m_used += n;
    bytes += n;
    count -= static_cast<UINT>(n);
  }
}

UINT CArchive::Read(void* buffer, UINT count) {
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly);
  auto* bytes = static_cast<BYTE*>(buffer);
  UINT done = 0;
  while (done < count) {
    if (m_next == m_used) {
      m_next = 0;
      m_used = m_file->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
      if (m_used == 0) break;
    }
    const size_t n = std::min<size_t>(count - done, m_used - m_next);
    std::memcpy(bytes + done, m_buffer.data() + m_next, n);
    m_next += n;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CArchive::Fill(void* buffer, UINT count) {
  if (Read(buffer, count) != count) AfxThrowArchiveException(CArchiveException::endOfFile);
}

namespace {
template <typename T>
void PutLittleEndian(CArchive& ar, T v) {
  BYTE bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<BYTE>(static_cast<uint64_t>(v) >> (8 * i));
  ar.Write(bytes, sizeof(T));
}
}  // namespace

CArchive& CArchive::operator<<(BYTE v) { PutLittleEndian(*this, v); return *this; }
CArchive& CArchive::operator<<(WORD v) { PutLittleEndian(*this, v); return *this; }
CArchive& CArchive::operator<<(LONG v) { PutLittleEndian(*this, static_cast<DWORD>(v)); return *this; }
CArchive& CArchive::operator<<(DWORD v) { PutLittleEndian(*this, v); return *this; }

CArchive& CArchive::operator>>(BYTE& v) {
  Fill(&v, 1);
  return *this;
}

CArchive& CArchive::operator>>(WORD& v) {
  BYTE b[2];
  Fill(b, 2);
  v = static_cast<WORD>(b[0] | (b[1] << 8));
  return *this;
}

CArchive& CArchive::operator>>(DWORD& v) {
  BYTE b[4];
  Fill(b, 4);
  v = static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
      (static_cast<DWORD>(b[3]) << 24);
  return *this;
}

CArchive& CArchive::operator>>(LONG& v) {
  DWORD d = 0;
  *this >> d;
  v = static_cast<LONG>(d);
  return *this;
}

// Counts below 0xFFFF take one WORD; larger ones a WORD 0xFFFF and then the DWORD.
void CArchive::WriteCount(DWORD_PTR count) {
  if (count < 0xFFFF) {
    *this << static_cast<WORD>(count);
  } else {
    *this << static_cast<WORD>(0xFFFF);
    *this << static_cast<DWORD>(count);
  }
}

DWORD_PTR CArchive::ReadCount() {
  WORD w = 0;
  *this >> w;
  if (w != 0xFFFF) return w;
  DWORD d = 0;
  *this >> d;
  return d;
}

// Strings: the byte length as a count (BYTE, or 0xFF and a WORD, or 0xFFFF and a DWORD), then
// the bytes without a terminator.
CArchive& CArchive::operator<<(const CString& v) {
  const DWORD length = static_cast<DWORD>(v.GetLength());
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
  } else {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << length;
  }
  Write(static_cast<const char*>(v), length);
  return *this;
}

CArchive& CArchive::operator>>(CString& v) {
  BYTE b = 0;
  *this >> b;
  DWORD length = b;
  if (b == 0xFF) {
    WORD w = 0;
    *this >> w;
    length = w;
    if (w == 0xFFFF) *this >> length;
  }
  // The length comes from the stream: read what is there piece by piece rather than trust it
  // with one allocation, so a damaged or hostile count ends in endOfFile, not an overrun.
  if (length > 0x7FFFFFFF) AfxThrowArchiveException(CArchiveException::badIndex);
  std::string text;
  char chunk[4096];
  while (text.size() < length) {
    const UINT n = static_cast<UINT>(std::min<size_t>(sizeof chunk, length - text.size()));
    Fill(chunk, n);
    text.append(chunk, n);
  }
  v = CString(text.data(), static_cast<int>(text.size()));
  return *this;
}
