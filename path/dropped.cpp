// The names of a drag-and-drop, with a directory flag for each.
#include <hostkit/path.h>

#include "platform/win32.h"

int IsDir(const char* path);

void GetDroppedFileInfo(HDROP drop, CStringArray& names, CWordArray& flags) {
  // The drop is released on every way out: it belongs to this call once it has been made.
  struct Release {
    HDROP drop;
    ~Release() { DragFinish(drop); }
  } release{drop};

  names.SetSize(0, 16);
  flags.SetSize(0, 16);
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);
    CString name;
    DragQueryFileA(drop, i, name.GetBuffer(static_cast<int>(length) + 1), length + 1);
    name.ReleaseBuffer(-1);
    names.Add(name);
    flags.Add(static_cast<WORD>(IsDir(name) ? 1 : 0));
  }
}
