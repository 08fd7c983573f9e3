// Picking several existing files in the open-file dialog.
#include <hostkit/path.h>

#include <hostkit/frame.h>

#include "frame/instance.h"
#include "platform/win32.h"
#include "resources/ids.h"

#include <memory>

namespace {

constexpr DWORD kDialogFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
constexpr DWORD kCharactersPerFile = 256;
constexpr DWORD kFilesWithoutLimit = 100;

void ShowMessage(unsigned int id) {
  CString text;
  LoadLocalString(GetLibraryInstance(), id, text);
  AfxMessageBox(text, MB_OK, 0);
}

}  // namespace

int GetMultipleFileNames(CStringList& names, CString& filter, int limit) {
  if (limit < 0) return FALSE;
  const DWORD files = limit == 0 ? kFilesWithoutLimit : static_cast<DWORD>(limit);
  if (files > 0xFFFFFFFFu / kCharactersPerFile) return FALSE;  // the length would not fit a DWORD
  const DWORD length = files * kCharactersPerFile;

  // Until the list holds exactly 'limit' names the dialog opens anew (an accepted dialog
  // always brings at least one name).
  for (;;) {
    CFileDialog dialog(TRUE, nullptr, nullptr, kDialogFlags, filter, nullptr);
    std::unique_ptr<char[]> buffer(new char[length]);
    buffer[0] = '\0';
    dialog.m_ofn.lpstrFile = buffer.get();
    dialog.m_ofn.nMaxFile = length;

    if (dialog.DoModal() != IDOK) {
      if (dialog.CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowMessage(IDS_TOO_MANY_SELECTED);
      return FALSE;
    }
    POSITION position = dialog.GetStartPosition();
    while (position != nullptr && (limit == 0 || names.GetCount() < limit))
      names.AddTail(dialog.GetNextPathName(position));
    buffer.reset();

    if (limit == 0) return TRUE;
    if (position != nullptr) {
      CString format, text;
      LoadLocalString(GetLibraryInstance(), IDS_SELECT_ONLY, format);
      text.Format(format, limit);
      AfxMessageBox(text, MB_OK, 0);
      return FALSE;
    }
    if (names.GetCount() >= limit) return TRUE;
  }
}
