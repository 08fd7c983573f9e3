// CNuException: the base of the library's exceptions.
#include <hostkit/frame.h>

#include "frame/instance.h"
#include "resources/ids.h"

IMPLEMENT_DYNAMIC(CNuException, CException)

CNuException::CNuException() : CException() {}

void CNuException::HandleError(CException* exception, CString& text) {
  if (exception == nullptr) {
    LoadLocalString(GetLibraryInstance(), IDS_UNKNOWN_SYSTEM_ERROR, text);
    return;
  }
  char* buffer = text.GetBuffer(4096);
  exception->GetErrorMessage(buffer, 4095, nullptr);
  exception->Delete();
  text.ReleaseBuffer(-1);
}

int CNuException::ReportError(UINT style, UINT) {
  char buffer[4096];
  UINT helpContext = 0;
  if (!GetErrorMessage(buffer, sizeof buffer, &helpContext))
    LoadStringA(GetLibraryInstance(), IDS_UNKNOWN_SYSTEM_ERROR, buffer, sizeof buffer);
  return AfxMessageBox(buffer, style, helpContext);
}
