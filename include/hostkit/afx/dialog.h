// The open-file dialog. What the user picks comes from a replaceable handler, so a host (or a
// test) decides what the dialog answers; the framework lays the answer out in the caller's
// file buffer exactly as the system dialog does. Without a handler, Windows shows the system's
// dialog; POSIX has no dialog of its own and answers as a user who cancels.
#pragma once

#include <hostkit/afx/coll.h>
#include <hostkit/afx/ui.h>

#if defined(_WIN32)
#  include <commdlg.h>
#endif

#include <functional>

// Receives the dialog's settings (filter, flags, title, initial directory...) and returns TRUE
// with the chosen files' full path names in 'selection', or FALSE for a cancel. Several names
// need OFN_ALLOWMULTISELECT and must all lie in one folder, as in the system dialog.
using AfxFileDialogHandler =
    std::function<BOOL(const OPENFILENAMEA& settings, CStringArray& selection)>;

// Installs a handler and returns the one it replaces; an empty handler restores the default.
HOSTKIT_API AfxFileDialogHandler AfxSetFileDialogHandler(AfxFileDialogHandler handler);

class HOSTKIT_API CFileDialog {
 public:
  // filter: pairs of "description|pattern|", as "Text (*.txt)|*.txt|All (*.*)|*.*||".
  explicit CFileDialog(BOOL openFileDialog, const char* defaultExt = nullptr,
                       const char* fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       const char* filter = nullptr, CWnd* parent = nullptr);
  virtual ~CFileDialog();
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when files were chosen and fit into m_ofn.lpstrFile (m_ofn.nMaxFile characters),
  // IDCANCEL otherwise; CommDlgExtendedError then tells why.
  virtual INT_PTR DoModal();

  // 0 after a cancel; FNERR_BUFFERTOOSMALL when the selection did not fit the file buffer
  // (its first two bytes then hold the length needed); CDERR_DIALOGFAILURE when the dialog
  // could not run or its handler answered something a dialog cannot (names in several
  // folders, names without a folder, several names without OFN_ALLOWMULTISELECT).
  DWORD CommDlgExtendedError() const { return m_dwExtendedError; }

  // Walks the selection: the start of the file buffer, then GetNextPathName yields full path
  // names one by one and sets the position to NULL after the last. The buffer holds either
  // one full name, or a folder followed by the names in it ("dir\0a\0b\0\0").
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& position) const;
  CString GetPathName() const;

  OPENFILENAMEA m_ofn;

 private:
  BOOL m_bOpenFileDialog;
  DWORD m_dwExtendedError = 0;
  char* m_pszFilter = nullptr;  // the filter with its '|' turned into NULs
  char m_szFileName[MAX_PATH];
};
