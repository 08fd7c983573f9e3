// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The shell: documents opened through the desktop's opener, and drag-and-drop handles.
#pragma once

#include <hostkit/win32types.h>

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

// Opens a document (or a URL) with the program the desktop associates with it: the desktop's
// opener, xdg-open, found on PATH, is started without a shell with the document as its one
// argument and standard input from /dev/null. The verb must be NULL or "open"; parameters and
// directory must be NULL or empty; the window and show command are accepted and unused.
// Result: a value above 32 on success, else a shell result code:
//   document (a name, not a URL) missing: SE_ERR_FNF, or SE_ERR_PNF when its folder is
//     missing; not reachable: SE_ERR_ACCESSDENIED
//   another verb, or parameters given: SE_ERR_NOASSOC
//   no xdg-open on PATH: SE_ERR_NOASSOC (nothing on this system opens documents)
//   xdg-open exit 0: success; 2 (file not found): SE_ERR_FNF; 3 (no program for the type):
//     SE_ERR_NOASSOC; 4 (the program it chose failed) and any other status: SE_ERR_DDEFAIL
//   xdg-open still running after 10 seconds (it runs the program it chose in the foreground):
//     success; it is reaped later
//   xdg-open cannot be started for another reason: SE_ERR_OOM.
HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, INT_PTR showCommand);

// Drop handles. DragQueryFileA: with index 0xFFFFFFFF the number of names; with a NULL buffer
// the length of the name at the index (without its NUL); otherwise the name copied into the
// buffer, cut to size - 1 characters, and the characters copied. 0 for an index out of range
// or a bad handle. DragFinish releases the handle.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size);
void DragFinish(HDROP drop);
