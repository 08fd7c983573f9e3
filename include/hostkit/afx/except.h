// CException and the framework's own exceptions. Exceptions are heap objects thrown as
// pointers; the catcher frees them with Delete().
#pragma once

#include <hostkit/afx/object.h>
#include <hostkit/afx/string.h>

class HOSTKIT_API CException : public CObject {
  DECLARE_DYNAMIC(CException)
 public:
  CException();
  explicit CException(BOOL autoDelete);
  ~CException() override = default;

  // Frees the exception when it was created for automatic deletion (heap exceptions are).
  void Delete();

  // Fills the buffer with a NUL-terminated text of at most maxError characters; the base
  // class has none: it empties the buffer, sets the help context to 0 and returns FALSE.
  virtual BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr);
  // Shows the message in a message box of the given style; messageId (a string of the
  // library) stands in when there is no message.
  virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);

  BOOL m_bAutoDelete;
};

class HOSTKIT_API CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)
 public:
  CMemoryException() = default;
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;
};

class HOSTKIT_API CNotSupportedException : public CException {
  DECLARE_DYNAMIC(CNotSupportedException)
 public:
  CNotSupportedException() = default;
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;
};

class HOSTKIT_API CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr);

  static void ThrowOsError(LONG osError, const char* fileName = nullptr);
  static int OsErrorToException(LONG osError);

  // "%1 was not found." and its siblings, with the file name in place of %1.
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

class HOSTKIT_API CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)
 public:
  enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
  explicit CArchiveException(int cause = none, const char* fileName = nullptr);
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;

  int m_cause;
  CString m_strFileName;
};

[[noreturn]] HOSTKIT_API void AfxThrowMemoryException();
[[noreturn]] HOSTKIT_API void AfxThrowNotSupportedException();
[[noreturn]] HOSTKIT_API void AfxThrowFileException(int cause, LONG osError = -1,
                                                    const char* fileName = nullptr);
[[noreturn]] HOSTKIT_API void AfxThrowArchiveException(int cause, const char* fileName = nullptr);
