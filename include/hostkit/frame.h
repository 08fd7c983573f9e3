// The library frame: its exception base and system-error exceptions, the base of holders of
// system libraries bound at run time, and module-local resources and context help.
#pragma once

#include <hostkit/afx.h>

// ---- exceptions -------------------------------------------------------------------------------

// Base of the library's exceptions. HandleError and ReportError turn any caught framework
// exception into text or a message box.
class HOSTKIT_API CNuException : public CException {
  DECLARE_DYNAMIC(CNuException)
 public:
  // Sets text to the exception's message and deletes the exception; a NULL exception gives
  // "Unknown system-level error occured.".
  static void HandleError(CException* exception, CString& text);
  // Shows the message (or "Unknown system-level error occured." when there is none) in a
  // message box of the given style; the message id is not used.
  int ReportError(UINT style = MB_OK, UINT messageId = 0) override;

 protected:
  CNuException();
};

// A failed operating-system call: a Win32 error code and the system's text for it.
class HOSTKIT_API CNuOSException : public CNuException {
  DECLARE_DYNAMIC(CNuOSException)
 public:
  // 0xFFFFFFFF means: the calling thread's last error, read now.
  explicit CNuOSException(DWORD error);
  ~CNuOSException() override;
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;

  DWORD m_dwError;
};

[[noreturn]] HOSTKIT_API void AfxThrowOSException(DWORD error);
// Maps a shell launch result (32 or less) to a Win32 code and throws it.
[[noreturn]] HOSTKIT_API void AfxThrowShellException(DWORD shellCode);

// ---- system libraries bound at run time ------------------------------------------------------

// Owns one loaded library and answers whether it could be loaded and bound.
class HOSTKIT_API CNuBaseAPI {
 public:
  virtual ~CNuBaseAPI();

 protected:
  CNuBaseAPI();
  BOOL IsAvailable();
  // Loads the library and calls LoadEntryPoints; a failed binding releases it again.
  BOOL LoadAPILibrary(const char* name);
  virtual BOOL LoadEntryPoints() = 0;

  HINSTANCE m_hLibrary;
};

// ---- module-local resources and context help ------------------------------------------------

HOSTKIT_API BOOL LoadLocalString(HINSTANCE module, unsigned int id, CString& text);
HOSTKIT_API BOOL LoadLocalMenu(HINSTANCE module, unsigned int id, CMenu& menu);
HOSTKIT_API BOOL LoadLocalBitmap(HINSTANCE module, unsigned int id, CBitmap& bitmap);
HOSTKIT_API void LocalContextHelp(HINSTANCE module, DWORD contextId, unsigned int command);
HOSTKIT_API void LocalContextHelp(CWnd* window, HINSTANCE module, CPoint& point, unsigned int command);
HOSTKIT_API int AfxLocalMessageBox(HINSTANCE module, unsigned int id, unsigned int style,
                                   unsigned int helpId);

// A module's string table, for platforms whose shared libraries carry no resources (POSIX).
// A module registers its table once, naming any address inside itself; LoadLocalString with
// that module's handle then finds its strings; an empty table (NULL, 0) withdraws it, as a
// module does before it unloads. On Windows modules carry real string resources and this call
// has no effect.
struct LOCALSTRING {
  UINT id;
  const char* text;
};
HOSTKIT_API void RegisterLocalStrings(const void* addressInModule, const LOCALSTRING* table,
                                      UINT count);
