// CException and the framework's own exceptions.
#include <hostkit/afx/except.h>
#include <hostkit/afx/ui.h>

#include "platform/win32.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies text into a caller's buffer of maxError characters, cutting it to fit.
BOOL CopyMessage(const char* text, char* error, UINT maxError) {
  if (error == nullptr || maxError == 0) return FALSE;
  const size_t length = std::min<size_t>(std::strlen(text), maxError - 1);
  std::memcpy(error, text, length);
  error[length] = '\0';
  return TRUE;
}

}  // namespace

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

CException::CException() : m_bAutoDelete(TRUE) {}

CException::CException(BOOL autoDelete) : m_bAutoDelete(autoDelete) {}

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(char* error, UINT maxError, UINT* helpContext) {
  if (helpContext != nullptr) *helpContext = 0;
  if (error != nullptr && maxError > 0) *error = '\0';
  return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) {
  char text[512];
  UINT help = 0;
  if (GetErrorMessage(text, sizeof text, &help)) return AfxMessageBox(text, type, help);
  if (messageId == 0) return AfxMessageBox("An unsupported operation was attempted.", type, 0);
  return AfxMessageBox(messageId, type, 0);
}

BOOL CMemoryException::GetErrorMessage(char* error, UINT maxError, UINT* helpContext) {
  if (helpContext != nullptr) *helpContext = 0;
  return CopyMessage("Out of memory.", error, maxError);
}

BOOL CNotSupportedException::GetErrorMessage(char* error, UINT maxError, UINT* helpContext) {
  if (helpContext != nullptr) *helpContext = 0;
  return CopyMessage("An unsupported operation was attempted.", error, maxError);
}

CFileException::CFileException(int cause, LONG osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

int CFileException::OsErrorToException(LONG osError) {
  switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANNOT_MAKE: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_BUSY: return removeCurrentDir;
    case ERROR_NO_MORE_FILES: return directoryFull;
    case ERROR_NOT_READY:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case ERROR_FILE_TOO_LARGE: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, const char* fileName) {
  if (osError != 0) AfxThrowFileException(OsErrorToException(osError), osError, fileName);
}

BOOL CFileException::GetErrorMessage(char* error, UINT maxError, UINT* helpContext) {
  static const char* const kTexts[] = {
      "No error occurred.",
      "An unknown error occurred while accessing %1.",
      "%1 was not found.",
      "%1 contains an invalid path.",
      "%1 could not be opened because there are too many open files.",
      "Access to %1 was denied.",
      "An invalid file handle was associated with %1.",
      "%1 could not be removed because it is the current directory.",
      "%1 could not be created because the directory is full.",
      "Seek failed on %1",
      "A hardware I/O error was reported while accessing %1.",
      "A sharing violation occurred while accessing %1.",
      "A locking violation occurred while accessing %1.",
      "Disk full while accessing %1.",
      "An attempt was made to access %1 past its end.",
  };
  if (helpContext != nullptr) *helpContext = 0;
  const int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : genericException;
  CString text(kTexts[cause]);
  text.Replace("%1", m_strFileName.IsEmpty() ? "an unnamed file" : static_cast<const char*>(m_strFileName));
  return CopyMessage(text, error, maxError);
}

CArchiveException::CArchiveException(int cause, const char* fileName)
    : m_cause(cause), m_strFileName(fileName) {}

BOOL CArchiveException::GetErrorMessage(char* error, UINT maxError, UINT* helpContext) {
  if (helpContext != nullptr) *helpContext = 0;
  const char* text = m_cause == endOfFile ? "An attempt was made to read past the end of the archive."
                                          : "An unexpected error occurred while reading the archive.";
  return CopyMessage(text, error, maxError);
}

void AfxThrowMemoryException() { throw new CMemoryException; }

void AfxThrowNotSupportedException() { throw new CNotSupportedException; }

void AfxThrowFileException(int cause, LONG osError, const char* fileName) {
  throw new CFileException(cause, osError, fileName);
}

void AfxThrowArchiveException(int cause, const char* fileName) {
  throw new CArchiveException(cause, fileName);
}
