// CNuMailException: a Simple MAPI result code and its fixed English message.
#include <hostkit/mail.h>

#include "frame/instance.h"
#include "platform/win32.h"
#include "resources/ids.h"

IMPLEMENT_DYNAMIC(CNuMailException, CNuException)

namespace {

// The string id of a Simple MAPI code; every code without a text of its own is "unknown".
UINT MessageId(DWORD code) {
  if (code == 0xFFFFFFFF) return IDS_MAIL_NOT_AVAILABLE;
  switch (code) {
    case MAPI_E_FAILURE: return IDS_MAIL_FAILURE;
    case MAPI_E_LOGIN_FAILURE: return IDS_MAIL_LOGIN_FAILURE;
    case MAPI_E_DISK_FULL: return IDS_MAIL_DISK_FULL;
    case MAPI_E_INSUFFICIENT_MEMORY: return IDS_MAIL_INSUFFICIENT_MEMORY;
    case MAPI_E_ACCESS_DENIED: return IDS_MAIL_ACCESS_DENIED;
    case MAPI_E_TOO_MANY_SESSIONS: return IDS_MAIL_TOO_MANY_SESSIONS;
    case MAPI_E_TOO_MANY_FILES: return IDS_MAIL_TOO_MANY_FILES;
    case MAPI_E_TOO_MANY_RECIPIENTS: return IDS_MAIL_TOO_MANY_RECIPIENTS;
    case MAPI_E_ATTACHMENT_NOT_FOUND: return IDS_MAIL_ATTACHMENT_NOT_FOUND;
    case MAPI_E_ATTACHMENT_OPEN_FAILURE: return IDS_MAIL_ATTACHMENT_OPEN_FAILURE;
    case MAPI_E_ATTACHMENT_WRITE_FAILURE: return IDS_MAIL_ATTACHMENT_WRITE_FAILURE;
    case MAPI_E_UNKNOWN_RECIPIENT: return IDS_MAIL_UNKNOWN_RECIPIENT;
    case MAPI_E_BAD_RECIPTYPE: return IDS_MAIL_BAD_RECIPTYPE;
    case MAPI_E_NO_MESSAGES: return IDS_MAIL_NO_MESSAGES;
    case MAPI_E_INVALID_MESSAGE: return IDS_MAIL_INVALID_MESSAGE;
    case MAPI_E_TEXT_TOO_LARGE: return IDS_MAIL_TEXT_TOO_LARGE;
    case MAPI_E_INVALID_SESSION: return IDS_MAIL_INVALID_SESSION;
    case MAPI_E_TYPE_NOT_SUPPORTED: return IDS_MAIL_TYPE_NOT_SUPPORTED;
    case MAPI_E_AMBIGUOUS_RECIPIENT: return IDS_MAIL_AMBIGUOUS_RECIPIENT;
    case MAPI_E_MESSAGE_IN_USE: return IDS_MAIL_MESSAGE_IN_USE;
    case MAPI_E_NETWORK_FAILURE: return IDS_MAIL_NETWORK_FAILURE;
    case MAPI_E_INVALID_EDITFIELDS: return IDS_MAIL_INVALID_EDITFIELDS;
    case MAPI_E_INVALID_RECIPS: return IDS_MAIL_INVALID_RECIPS;
    case MAPI_E_NOT_SUPPORTED: return IDS_MAIL_NOT_SUPPORTED;
    default: return IDS_MAIL_UNKNOWN_ERROR;
  }
}

}  // namespace

// Unlike the system-error exception, all ones is kept: it is the "not available" code.
CNuMailException::CNuMailException(DWORD error) : CNuException(), m_dwError(error) {}

CNuMailException::~CNuMailException() = default;

BOOL CNuMailException::GetErrorMessage(char* error, UINT maxError, UINT*) {
  if (error == nullptr || maxError == 0) return FALSE;
  LoadStringA(GetLibraryInstance(), MessageId(m_dwError), error, static_cast<int>(maxError));
  return TRUE;
}

void AfxThrowMailException(DWORD error) { throw new CNuMailException(error); }
