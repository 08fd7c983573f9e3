// CNuMAPISupport: sending notes and files through Simple MAPI, with logon on demand.
#include <hostkit/hostkit.h>

#include "mail/message.h"
#include "platform/win32.h"

namespace {

constexpr ULONG kMaxListEntries = 0xFFFF;  // message lists count in 16 bits

// Results that end a call normally: success, and a user who cancelled a dialog.
bool Accepted(ULONG result) { return result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT; }

void RequireMail() {
  if (!CNuMAPI::IsAvailable()) AfxThrowMailException(0xFFFFFFFF);
}

}  // namespace

CNuMAPISupport::CNuMAPISupport() : m_bEnabled(FALSE), m_ulUIParam(0), m_hSession(0) {}

CNuMAPISupport::~CNuMAPISupport() = default;

void CNuMAPISupport::Enable(BOOL enable) { m_bEnabled = enable; }

BOOL CNuMAPISupport::IsEnabled() const { return m_bEnabled && CNuMAPI::IsAvailable() ? TRUE : FALSE; }

BOOL CNuMAPISupport::IsAvailable() const { return CNuMAPI::IsAvailable(); }

BOOL CNuMAPISupport::IsLogged() const { return m_hSession != 0 ? TRUE : FALSE; }

void CNuMAPISupport::Logon(const char* profile, FLAGS flags, const char* password, ULONG uiParam) {
  RequireMail();
  m_ulUIParam = uiParam;
  // The mail system's shared session first: no profile, no password, no dialog.
  if (Accepted(CNuMAPI::MAPILogon(m_ulUIParam, nullptr, nullptr, 0, 0, &m_hSession))) return;
  m_hSession = 0;
  const ULONG result =
      CNuMAPI::MAPILogon(m_ulUIParam, const_cast<LPSTR>(profile),
                         password != nullptr && *password != '\0' ? const_cast<LPSTR>(password) : nullptr,
                         flags, 0, &m_hSession);
  if (!Accepted(result)) {
    m_hSession = 0;  // a refused logon leaves no session behind; the next request tries again
    AfxThrowMailException(result);
  }
}

void CNuMAPISupport::LogonOnDemand(BOOL bInteractive) {
  const CString user = GetThisUserName();
  Logon(user, bInteractive ? MAPI_LOGON_UI : 0, nullptr, 0);
}

void CNuMAPISupport::Logoff() {
  if (CNuMAPI::IsAvailable() && m_hSession != 0) {
    CNuMAPI::MAPILogoff(m_hSession, 0, 0, 0);
    m_hSession = 0;
  }
}

ULONG CNuMAPISupport::BuildRecipients(CNuMailRecipients& list, CStringArray& names) {
  const int count = names.GetSize();
  // The list counts in 16 bits: more names would be cut short and written past the array.
  if (static_cast<ULONG>(count) > kMaxListEntries) AfxThrowMailException(MAPI_E_TOO_MANY_RECIPIENTS);
  const ULONG result = list.Allocate(static_cast<WORD>(count));
  for (int i = 0; i < count; ++i) {
    list.SetCurrent(i);
    list.SetRecipClass(MAPI_TO);
    list.SetName(names[i]);
  }
  return result;
}

void CNuMAPISupport::Send(CNuMailMessage& message, BOOL bDialog, BOOL bInteractive) {
  if (!bInteractive) bDialog = FALSE;
  if (!IsLogged()) LogonOnDemand(bInteractive);
  const ULONG result = CNuMAPI::MAPISendMail(m_hSession, m_ulUIParam, message.GetMessage(),
                                             bDialog ? MAPI_DIALOG : 0, 0);
  if (!Accepted(result)) AfxThrowMailException(result);
}

void CNuMAPISupport::SendNote(const char* subject, const char* text, CStringArray& recipients, BOOL bDialog,
                              BOOL bInteractive) {
  RequireMail();
  CNuMailRecipients list;
  BuildRecipients(list, recipients);
  CNuMailMessage message;
  message.SetSubject(subject);
  message.SetNoteText(text);
  if (list.GetCount() != 0) message.SetRecipients(list);
  Send(message, bDialog, bInteractive);
}

void CNuMAPISupport::SendFiles(const char* subject, const char* text, CStringArray& files, CStringArray& titles,
                               CStringArray& recipients, BOOL bDialog, BOOL bInteractive) {
  RequireMail();
  const int count = files.GetSize();
  if (static_cast<ULONG>(count) > kMaxListEntries) AfxThrowMailException(MAPI_E_TOO_MANY_FILES);
  CNuMailRecipients list;
  BuildRecipients(list, recipients);
  CNuMailAttachments attachments;
  attachments.Allocate(static_cast<WORD>(count));
  CString body = text != nullptr ? text : "";
  const ULONG start = static_cast<ULONG>(body.GetLength());
  // Every file is found before the mail system is contacted: a missing one ends the call
  // before any logon.
  for (int i = 0; i < count; ++i) {
    body += " ";
    CString directory, name;
    SeparatePathAndFile(files[i], directory, name);
    CNuFileFinder finder(directory, name, CNuFileFinder::FindFiles, 0x19A7, CNuFileFinder::MatchAny, nullptr);
    CString found;
    if (!finder.Find(found)) AfxThrowMailException(MAPI_E_ATTACHMENT_NOT_FOUND);
    attachments.SetCurrent(i);
    const bool titled = i < titles.GetSize() && !titles[i].IsEmpty();
    attachments.SetFileName(titled ? static_cast<const char*>(titles[i]) : static_cast<const char*>(name));
    attachments.SetPathName(found);
    attachments.SetPosition(start + static_cast<ULONG>(i));
  }
  CNuMailMessage message;
  message.SetSubject(subject);
  message.SetNoteText(body);
  message.SetAttachments(attachments);
  if (list.GetCount() != 0) message.SetRecipients(list);
  Send(message, bDialog, bInteractive);
}

void CNuMAPISupport::SendMail(MailInfo& info, BOOL bInteractive) {
  RequireMail();
  if (info.arrFiles.GetSize() != 0)
    SendFiles(info.strSubject, info.strText, info.arrFiles, info.arrTitles, info.arrRecipients, info.bDialog,
              bInteractive);
  else
    SendNote(info.strSubject, info.strText, info.arrRecipients, info.bDialog, bInteractive);
}

CString CNuMAPISupport::ResolveName(const char* name, BOOL bInteractive) {
  if (!IsLogged()) LogonOnDemand(bInteractive);
  lpMapiRecipDesc recipient = nullptr;
  const ULONG result =
      CNuMAPI::MAPIResolveName(m_hSession, m_ulUIParam, const_cast<LPSTR>(name), 0, 0, &recipient);
  if (result != SUCCESS_SUCCESS) return CString();
  // A mail system may report success without an entry or without an address in it: the name
  // then has no address, as for a failed resolution.
  if (recipient == nullptr) return CString();
  const CString address = recipient->lpszAddress != nullptr ? recipient->lpszAddress : "";
  if (CNuMAPI::MAPIFreeBuffer(recipient) != SUCCESS_SUCCESS) AfxThrowOSException(0xFFFFFFFF);
  return address;
}
