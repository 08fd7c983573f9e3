// Switching a file's read-only attribute.
#include <hostkit/path.h>

void EnableFileRW(const CString& fileName) {
  CFileStatus status;
  if (!CFile::GetStatus(fileName, status)) return;
  if ((status.m_attribute & CFile::readOnly) == 0) return;
  // A record whose times are zero changes the attribute alone.
  CFileStatus changed;
  changed.m_attribute = static_cast<BYTE>(status.m_attribute & ~CFile::readOnly);
  CFile::SetStatus(fileName, changed);
}

void EnableFileReadOnly(const CString& fileName) {
  CFileStatus status;
  if (!CFile::GetStatus(fileName, status)) return;
  if ((status.m_attribute & CFile::readOnly) != 0) return;
  status.m_attribute = static_cast<BYTE>(status.m_attribute | CFile::readOnly);
  CFile::SetStatus(fileName, status);
}
