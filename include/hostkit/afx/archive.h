// CArchive: the framework's binary serialisation onto a CFile, little-endian, with its
// element-count encoding (a WORD, or 0xFFFF and a DWORD for 65,535 and more).
#pragma once

#include <hostkit/afx/file.h>

#include <vector>

class HOSTKIT_API CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  CArchive(CFile* file, UINT mode, int bufferSize = 4096);
  ~CArchive();  // flushes a storing archive, without throwing
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return m_mode == load; }
  BOOL IsStoring() const { return m_mode == store; }
  CFile* GetFile() const { return m_file; }

  UINT Read(void* buffer, UINT count);   // bytes read; short at the end of the file
  void Write(const void* buffer, UINT count);
  void Flush();
  void Close();

  DWORD_PTR ReadCount();
  void WriteCount(DWORD_PTR count);

  CArchive& operator<<(BYTE v);
  CArchive& operator<<(WORD v);
  CArchive& operator<<(LONG v);
  CArchive& operator<<(DWORD v);
  CArchive& operator<<(const CString& v);
  CArchive& operator>>(BYTE& v);
  CArchive& operator>>(WORD& v);
  CArchive& operator>>(LONG& v);
  CArchive& operator>>(DWORD& v);
  CArchive& operator>>(CString& v);

 private:
  void Fill(void* buffer, UINT count);  // exactly count bytes or CArchiveException endOfFile

  CFile* m_file;
  UINT m_mode;
  std::vector<BYTE> m_buffer;
  size_t m_used = 0;   // storing: bytes waiting; loading: bytes buffered
  size_t m_next = 0;   // loading: next byte to hand out
};
