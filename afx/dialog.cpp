// The open-file dialog: the handler that answers it and the Explorer layout of its answer.
#include <hostkit/afx/dialog.h>

#include "platform/win32.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct DialogHandler {
  std::mutex lock;
  AfxFileDialogHandler handler;
};

DialogHandler& Current() {
  static DialogHandler* current = new DialogHandler;  // outlives every static destructor
  return *current;
}

AfxFileDialogHandler CurrentHandler() {
  std::lock_guard<std::mutex> guard(Current().lock);
  return Current().handler;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits a full name into the folder as the dialog reports it ("C:\dir", "C:\", "/dir", "/")
// and the name in it; false when the name has no folder or no name.
bool SplitFullName(const std::string& full, std::string& folder, std::string& name) {
  size_t sep = full.find_last_of("\\/");
  if (sep == std::string::npos || sep + 1 == full.size()) return false;
  folder = full.substr(0, sep);
  if (folder.empty() || folder.back() == ':') folder = full.substr(0, sep + 1);
  name = full.substr(sep + 1);
  return true;
}

}  // namespace

AfxFileDialogHandler AfxSetFileDialogHandler(AfxFileDialogHandler handler) {
  std::lock_guard<std::mutex> guard(Current().lock);
  AfxFileDialogHandler previous = std::move(Current().handler);
  Current().handler = std::move(handler);
  return previous;
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog) {
  std::memset(&m_ofn, 0, sizeof m_ofn);
  std::memset(m_szFileName, 0, sizeof m_szFileName);
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = MAX_PATH;
  m_ofn.lpstrDefExt = defaultExt;
  m_ofn.Flags = flags;
  if (fileName != nullptr) std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
  if (filter != nullptr) {
    const size_t length = std::strlen(filter);
    m_pszFilter = new char[length + 2];
    std::memcpy(m_pszFilter, filter, length + 1);
    m_pszFilter[length + 1] = '\0';
    for (size_t i = 0; i < length; ++i)
      if (m_pszFilter[i] == '|') m_pszFilter[i] = '\0';
    m_ofn.lpstrFilter = m_pszFilter;
  }
}

CFileDialog::~CFileDialog() { delete[] m_pszFilter; }

INT_PTR CFileDialog::DoModal() {
  m_dwExtendedError = 0;
  AfxFileDialogHandler handler = CurrentHandler();
  if (!handler) {
#if defined(_WIN32)
    const BOOL ok = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
    if (!ok) m_dwExtendedError = ::CommDlgExtendedError();
    return ok ? IDOK : IDCANCEL;
#else
    return IDCANCEL;
#endif
  }

  CStringArray selection;
  if (!handler(m_ofn, selection) || selection.GetSize() == 0) return IDCANCEL;
  const int count = selection.GetSize();
  if (m_ofn.lpstrFile == nullptr || (count > 1 && (m_ofn.Flags & OFN_ALLOWMULTISELECT) == 0)) {
    m_dwExtendedError = CDERR_DIALOGFAILURE;
    return IDCANCEL;
  }

  // One name is written whole; several as their folder followed by the bare names. The list
  // ends in an empty string either way.
  std::string layout;
  std::string folder, name;
  WORD fileOffset = 0, extensionOffset = 0;
  for (int i = 0; i < count; ++i) {
    std::string itemFolder;
    const std::string full = static_cast<const char*>(selection[i]);
    if (!SplitFullName(full, itemFolder, name) || (i > 0 && itemFolder != folder)) {
      m_dwExtendedError = CDERR_DIALOGFAILURE;
      return IDCANCEL;
    }
    if (count == 1) {
      layout = full;
      fileOffset = static_cast<WORD>(std::min<size_t>(full.size() - name.size(), 0xFFFF));
      const size_t dot = name.find_last_of('.');
      extensionOffset = static_cast<WORD>(
          std::min<size_t>(fileOffset + (dot == std::string::npos ? name.size() : dot + 1), 0xFFFF));
    } else {
      if (i == 0) {
        folder = itemFolder;
        layout.append(folder).push_back('\0');
        fileOffset = static_cast<WORD>(std::min<size_t>(layout.size(), 0xFFFF));
      }
      layout.append(name).push_back('\0');
    }
  }
  if (count == 1) layout.push_back('\0');
  layout.push_back('\0');

  if (layout.size() > m_ofn.nMaxFile) {
    // As the system dialog does, the first two bytes tell the length that would have fit.
    if (m_ofn.nMaxFile >= 2) {
      const WORD needed = static_cast<WORD>(std::min<size_t>(layout.size(), 0xFFFF));
      std::memcpy(m_ofn.lpstrFile, &needed, sizeof needed);
    }
    m_dwExtendedError = FNERR_BUFFERTOOSMALL;
    return IDCANCEL;
  }
  std::memcpy(m_ofn.lpstrFile, layout.data(), layout.size());
  m_ofn.nFileOffset = fileOffset;
  m_ofn.nFileExtension = count == 1 ? extensionOffset : 0;
  return IDOK;
}

POSITION CFileDialog::GetStartPosition() const {
  return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

CString CFileDialog::GetNextPathName(POSITION& position) const {
  const char* buffer = m_ofn.lpstrFile;
  const char* at = reinterpret_cast<const char*>(position);
  if (at == nullptr || buffer == nullptr) {
    position = nullptr;
    return CString();
  }
  if (at == buffer) {
    // The first string is the whole name unless further names follow it.
    const size_t length = std::strlen(buffer);
    const bool several = (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0 && length + 1 < m_ofn.nMaxFile &&
                         buffer[length + 1] != '\0';
    if (!several) {
      position = nullptr;
      return CString(buffer);
    }
    at = buffer + length + 1;
  }
  std::string full = buffer;
  if (!full.empty() && !IsSeparator(full.back())) full += hk::kPathSeparator;
  full += at;
  const char* next = at + std::strlen(at) + 1;
  const bool more = static_cast<size_t>(next - buffer) < m_ofn.nMaxFile && *next != '\0';
  position = more ? reinterpret_cast<POSITION>(const_cast<char*>(next)) : nullptr;
  return CString(full.c_str());
}

CString CFileDialog::GetPathName() const {
  POSITION position = GetStartPosition();
  return GetNextPathName(position);
}
