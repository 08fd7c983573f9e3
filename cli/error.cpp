// hostkit error: the library's messages for Win32 and shell error codes.
#include "command.h"

#include <hostkit/hostkit.h>

namespace hk::cli {
namespace {

// Prints the message a CNuOSException carries; FALSE (exit 1) when the system has no text.
int PrintOsMessage(CNuOSException& e) {
  char text[4096];
  const BOOL found = e.GetErrorMessage(text, sizeof text);
  std::printf("%lu: %s", static_cast<unsigned long>(e.m_dwError), found ? text : "(no system text)\n");
  return found ? kSuccess : kFailure;
}

int Run(Args& args) {
  ExpectCount(args, 2, 2);
  const DWORD code = static_cast<DWORD>(ParseNumber(args[1]));
  try {
    if (args[0] == "os") AfxThrowOSException(code);
    if (args[0] == "shell") AfxThrowShellException(code);
  } catch (CNuOSException* e) {
    const int status = PrintOsMessage(*e);
    e->Delete();
    return status;
  }
  throw UsageError("the kind is 'os' or 'shell'");
}

Registration command(Command{
    "error", "messages of Win32 and shell error codes",
    "usage: hostkit error os CODE | hostkit error shell CODE\n\n"
    "os CODE     the system's message for a Win32 error code\n"
    "shell CODE  the Win32 code a shell launch result maps to, and its message\n",
    Run});

Registration tour(TourStep{10, "error messages", [](std::FILE* out) {
  CNuOSException e(ERROR_ACCESS_DENIED);
  char text[512];
  const BOOL ok = e.GetErrorMessage(text, sizeof text);
  std::fprintf(out, "  Win32 error 5 reads: %s", ok ? text : "(no text)\n");
  try {
    AfxThrowShellException(31);
  } catch (CNuOSException* s) {
    std::fprintf(out, "  a shell launch with no associated program throws Win32 error %lu\n",
                 static_cast<unsigned long>(s->m_dwError));
    s->Delete();
  }
  return ok != FALSE;
}});

}  // namespace
}  // namespace hk::cli
