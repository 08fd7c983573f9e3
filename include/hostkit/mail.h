// Mail through Simple MAPI: the mail exception, the run-time binding of the system's mail
// library, the description of one mail, and the mail service that sends it.
#pragma once

#include <hostkit/afx.h>
#include <hostkit/frame.h>

// ---- errors ---------------------------------------------------------------------------------

// A failed Simple MAPI call or an unusable mail system. The code is a Simple MAPI result;
// 0xFFFFFFFF means that no mail system is available ("Mail is not available.").
class HOSTKIT_API CNuMailException : public CNuException {
  DECLARE_DYNAMIC(CNuMailException)
 public:
  explicit CNuMailException(DWORD error);
  ~CNuMailException() override;
  // The fixed English text of the code (e.g. 3 => "Mail logon failure on the server.");
  // FALSE for a NULL buffer or a size of 0. The help context is never written.
  BOOL GetErrorMessage(char* error, UINT maxError, UINT* helpContext = nullptr) override;

  DWORD m_dwError;
};

[[noreturn]] HOSTKIT_API void AfxThrowMailException(DWORD error);

// ---- the mail library, bound at run time ----------------------------------------------------

// The one holder of the system's mail library ("MAPI32.DLL"), loaded and bound while the
// library starts. Only IsAvailable is exported; the forwarders pass their arguments unchanged
// to the bound functions and may be called only while IsAvailable() is TRUE.
class CNuMAPI : public CNuBaseAPI {
 public:
  typedef ULONG(WINAPI* LogonFunction)(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE);
  typedef ULONG(WINAPI* LogoffFunction)(LHANDLE, ULONG_PTR, FLAGS, ULONG);
  typedef ULONG(WINAPI* SendMailFunction)(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG);
  typedef ULONG(WINAPI* ResolveNameFunction)(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiRecipDesc*);
  typedef ULONG(WINAPI* FreeBufferFunction)(LPVOID);

  // TRUE when the mail library was loaded and all five entry points were bound.
  HOSTKIT_API static BOOL IsAvailable();
  // The full name of the file the mail library was loaded from (on POSIX the provider that
  // stands for "MAPI32.DLL"); empty while IsAvailable() is FALSE.
  HOSTKIT_API static CString GetLibraryFileName();
  // Asks the mail library what a logon with the profile would use, for status displays. The
  // library's own provider answers with lines such as "profile: NAME", "settings: FILE" and
  // "delivery: outbox FOLDER" (or a "problem: ..." line), and whether such a logon would
  // succeed; TRUE then. FALSE, the outputs unchanged, when no mail library is available or it
  // cannot describe profiles (a system's own mail library cannot).
  HOSTKIT_API static BOOL DescribeProfile(const char* profile, CString& description, BOOL& usable);

  static ULONG MAPILogon(ULONG_PTR uiParam, LPSTR profile, LPSTR password, FLAGS flags,
                         ULONG reserved, LPLHANDLE session);
  static ULONG MAPILogoff(LHANDLE session, ULONG_PTR uiParam, FLAGS flags, ULONG reserved);
  static ULONG MAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message,
                            FLAGS flags, ULONG reserved);
  static ULONG MAPIResolveName(LHANDLE session, ULONG_PTR uiParam, LPSTR name, FLAGS flags,
                               ULONG reserved, lpMapiRecipDesc* recipient);
  static ULONG MAPIFreeBuffer(LPVOID buffer);

 protected:
  BOOL LoadEntryPoints() override;

 private:
  CNuMAPI();

  LogonFunction m_pfnLogon;
  LogoffFunction m_pfnLogoff;
  SendMailFunction m_pfnSendMail;
  ResolveNameFunction m_pfnResolveName;
  FreeBufferFunction m_pfnFreeBuffer;

  // The one instance and the result of its load, both defined among the library's ordered
  // static objects.
  static CNuMAPI s_instance;
  static BOOL s_bLoaded;
};

// ---- one mail, and the mail service ---------------------------------------------------------

// One mail for CNuMAPISupport::SendMail.
struct HOSTKIT_API MailInfo {
  CString strSubject;
  CString strText;
  CStringArray arrFiles;       // files to attach; empty: the mail is a note
  CStringArray arrTitles;      // display names by index into arrFiles; empty/missing: the file's name
  CStringArray arrRecipients;  // all sent as primary (To) recipients
  BOOL bDialog = FALSE;        // ask for the mail system's send dialog (interactive sends only)
};

class CNuMailMessage;
class CNuMailRecipients;

// The mail service: sends notes and files and resolves names, logging on by itself when a
// request needs a session (the mail system's shared session first, then the running user's
// profile). Every failure is thrown as a CNuMailException carrying the Simple MAPI code; a
// cancelled dialog ends the call normally, without a mail. Lists of more than 65,535
// recipients or files are refused (codes 10 and 9) before any logon.
class HOSTKIT_API CNuMAPISupport {
 public:
  CNuMAPISupport();
  ~CNuMAPISupport();  // leaves an open session open

  void Enable(BOOL enable);
  BOOL IsEnabled() const;    // enabled and a mail system is available
  BOOL IsAvailable() const;  // a mail system is available
  BOOL IsLogged() const;     // a session is open
  void Logoff();

  void SendMail(MailInfo& info, BOOL bInteractive);
  void SendNote(const char* subject, const char* text, CStringArray& recipients, BOOL bDialog,
                BOOL bInteractive);
  void SendFiles(const char* subject, const char* text, CStringArray& files, CStringArray& titles,
                 CStringArray& recipients, BOOL bDialog, BOOL bInteractive);
  // The mail address of a name, or empty when the mail system cannot resolve it.
  CString ResolveName(const char* name, BOOL bInteractive);

 private:
  void Logon(const char* profile, FLAGS flags, const char* password, ULONG uiParam);
  void LogonOnDemand(BOOL bInteractive);
  void Send(CNuMailMessage& message, BOOL bDialog, BOOL bInteractive);
  ULONG BuildRecipients(CNuMailRecipients& list, CStringArray& names);

  BOOL m_bEnabled;
  ULONG m_ulUIParam;
  LHANDLE m_hSession;
};
