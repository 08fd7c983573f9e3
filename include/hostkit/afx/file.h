// CFile and CFileStatus: files through the Win32 file API with the framework's open flags,
// errors thrown as CFileException. CMemFile keeps its bytes in memory.
#pragma once

#include <hostkit/afx/except.h>
#include <hostkit/afx/time.h>

struct HOSTKIT_API CFileStatus {
  CTime m_ctime;          // creation time
  CTime m_mtime;          // last modification time
  CTime m_atime;          // last access time
  LONG m_size = 0;        // logical size in bytes
  BYTE m_attribute = 0;   // CFile::Attribute bits
  BYTE m_padding = 0;
  char m_szFullName[MAX_PATH] = {};
};

class HOSTKIT_API CFile : public CObject {
  DECLARE_DYNAMIC(CFile)
 public:
  enum OpenFlags {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000
  };
  enum Attribute { normal = 0x00, readOnly = 0x01, hidden = 0x02, system = 0x04,
                   volume = 0x08, directory = 0x10, archive = 0x20 };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

  CFile();
  explicit CFile(HANDLE file);
  // Opens the file; failure throws CFileException.
  CFile(const char* fileName, UINT openFlags);
  ~CFile() override;  // closes without throwing
  // A CFile owns its handle; copies would close it twice.
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens the file; FALSE on failure, with the details in *error when given.
  virtual BOOL Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual LONG Seek(LONG offset, UINT from);
  virtual DWORD GetLength() const;
  virtual DWORD GetPosition() const;
  virtual void SetLength(DWORD newLength);
  virtual void Flush();
  virtual void Close();
  virtual void Abort();  // closes, ignoring failures

  DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
  void SeekToBegin() { Seek(0, begin); }
  const CString& GetFilePath() const { return m_strFileName; }

  // The open file's times, size and attribute byte (FALSE when they cannot be read); a CFile
  // that is not open gives only its name.
  BOOL GetStatus(CFileStatus& status) const;
  // The named file's status; FALSE when it does not exist or cannot be read.
  static BOOL GetStatus(const char* fileName, CFileStatus& status);
  // Applies the attribute byte (of which read-only is what the file systems keep) and, where
  // non-zero, the times of the record to the named file; failure throws CFileException. A
  // zero last-write time leaves all times alone; zero access or creation times leave those.
  // Read-only is lifted while the times are written, so a read-only file's times can change.
  static void SetStatus(const char* fileName, const CFileStatus& status);

  static const HANDLE hFileNull;
  HANDLE m_hFile;

 protected:
  CString m_strFileName;
  BOOL m_bCloseOnDelete;
};

// A file whose bytes live in memory; grows as it is written.
class HOSTKIT_API CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)
 public:
  explicit CMemFile(UINT growBytes = 1024);
  // Starts with a copy of the given bytes, positioned at the start.
  CMemFile(const BYTE* data, UINT size);
  ~CMemFile() override;

  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  LONG Seek(LONG offset, UINT from) override;
  DWORD GetLength() const override;
  DWORD GetPosition() const override;
  void SetLength(DWORD newLength) override;
  void Flush() override;
  void Close() override;
  void Abort() override;

  // The contents (GetLength() bytes), valid until the next call that changes them.
  const BYTE* Data() const;

 private:
  struct Impl;
  Impl* m_impl;
};
