// A small host application: it links the installed library and uses its exported interface.
#include <hostkit/hostkit.h>

#include <cstdio>

int main() {
  // Exceptions come as heap pointers and leave their message through HandleError.
  CString message;
  try {
    AfxThrowOSException(ERROR_FILE_NOT_FOUND);
  } catch (CException* e) {
    CNuException::HandleError(e, message);
  }
  message.TrimRight();
  std::printf("error 2: %s\n", static_cast<const char*>(message));

  CString generic;
  CNuException::HandleError(nullptr, generic);
  std::printf("no exception: %s\n", static_cast<const char*>(generic));
  return message.IsEmpty() || generic != "Unknown system-level error occured." ? 1 : 0;
}
