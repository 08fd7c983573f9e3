// The mail message model: MapiMessage, its recipients and attachments, each string a copy of
// the model's own.
#include "mail/message.h"

#include "platform/win32.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr ULONG kMaxEntries = 0xFFFF;  // the counts of a list are 16 bits wide

// Copy-in: the old copy goes; an empty or NULL text leaves the field null.
void StoreText(LPSTR& field, const char* text) {
  delete[] field;
  field = nullptr;
  if (text != nullptr && *text != '\0') {
    const size_t size = std::strlen(text) + 1;
    field = new char[size];
    std::memcpy(field, text, size);
  }
}

CString TextOf(const char* field) { return CString(field); }

}  // namespace

// ---- attachments ----------------------------------------------------------------------------

CNuMailAttachments::CNuMailAttachments() : m_pEntries(nullptr), m_pCurrent(nullptr), m_nCount(0) {}

CNuMailAttachments::~CNuMailAttachments() { Free(); }

ULONG CNuMailAttachments::Allocate(WORD count) {
  m_pEntries = new MapiFileDesc[count]();
  m_nCount = count;
  m_pCurrent = m_pEntries;
  return 0;
}

void CNuMailAttachments::SetPathName(const char* path) { StoreText(m_pCurrent->lpszPathName, path); }

CString CNuMailAttachments::GetPathName() const {
  return m_pEntries == nullptr ? CString() : TextOf(m_pCurrent->lpszPathName);
}

void CNuMailAttachments::SetFileName(const char* name) { StoreText(m_pCurrent->lpszFileName, name); }

CString CNuMailAttachments::GetFileName() const {
  return m_pEntries == nullptr ? CString() : TextOf(m_pCurrent->lpszFileName);
}

void CNuMailAttachments::Free() {
  if (m_pEntries != nullptr) {
    for (ULONG i = 0; i < m_nCount; ++i) {
      delete[] m_pEntries[i].lpszPathName;
      delete[] m_pEntries[i].lpszFileName;
    }
    delete[] m_pEntries;
  }
  m_pEntries = nullptr;
  m_pCurrent = nullptr;
  m_nCount = 0;
}

ULONG CNuMailAttachments::Copy(const MapiFileDesc* source, ULONG count) {
  Free();
  if (source == nullptr || count == 0) return 0;
  // A larger count would be cut to 16 bits by the allocation and then copied past its end.
  if (count > kMaxEntries) return MAPI_E_TOO_MANY_FILES;
  Allocate(static_cast<WORD>(count));
  for (ULONG i = 0; i < count; ++i) {
    SetCurrent(static_cast<int>(i));
    SetFlags(source[i].flFlags);
    SetPosition(source[i].nPosition);
    SetPathName(source[i].lpszPathName);
    SetFileName(source[i].lpszFileName);
    m_pCurrent->ulReserved = source[i].ulReserved;
    m_pCurrent->flFlags = source[i].flFlags;
  }
  SetCurrent(0);
  return 0;
}

CNuMailAttachments& CNuMailAttachments::operator=(const CNuMailAttachments& source) {
  if (this == &source) return *this;
  Free();
  if (source.m_pEntries != nullptr && Copy(source.m_pEntries, source.m_nCount) != 0) {
    Free();
    AfxThrowOSException(0xFFFFFFFF);
  }
  return *this;
}

// ---- recipients -----------------------------------------------------------------------------

CNuMailRecipients::CNuMailRecipients() : m_pEntries(nullptr), m_pCurrent(nullptr), m_nCount(0) {}

CNuMailRecipients::CNuMailRecipients(const MapiRecipDesc* source, ULONG count) : CNuMailRecipients() {
  if (Copy(source, count) != 0) AfxThrowOSException(0xFFFFFFFF);
}

CNuMailRecipients::~CNuMailRecipients() { Free(); }

ULONG CNuMailRecipients::Allocate(WORD count) {
  if (count == 0) return 0;
  m_pEntries = new MapiRecipDesc[count]();
  m_nCount = count;
  m_pCurrent = m_pEntries;
  return 0;
}

void CNuMailRecipients::SetName(const char* name) { StoreText(m_pCurrent->lpszName, name); }

CString CNuMailRecipients::GetName() const {
  return m_pEntries == nullptr ? CString() : TextOf(m_pCurrent->lpszName);
}

void CNuMailRecipients::SetAddress(const char* address) { StoreText(m_pCurrent->lpszAddress, address); }

CString CNuMailRecipients::GetAddress() const {
  return m_pEntries == nullptr ? CString() : TextOf(m_pCurrent->lpszAddress);
}

void CNuMailRecipients::SetEntryID(const void* data, WORD size) {
  delete[] static_cast<BYTE*>(m_pCurrent->lpEntryID);
  m_pCurrent->lpEntryID = nullptr;
  // A size without data (a caller's inconsistent entry) is no entry ID, not a read from null.
  if (data == nullptr) size = 0;
  m_pCurrent->ulEIDSize = size;
  if (size != 0) {
    BYTE* copy = new BYTE[size];
    std::memcpy(copy, data, size);
    m_pCurrent->lpEntryID = copy;
  }
}

void CNuMailRecipients::Free() {
  if (m_pEntries != nullptr) {
    for (ULONG i = 0; i < m_nCount; ++i) {
      delete[] m_pEntries[i].lpszName;
      delete[] m_pEntries[i].lpszAddress;
      delete[] static_cast<BYTE*>(m_pEntries[i].lpEntryID);
    }
    delete[] m_pEntries;
  }
  m_pEntries = nullptr;
  m_pCurrent = nullptr;
  m_nCount = 0;
}

ULONG CNuMailRecipients::Copy(const MapiRecipDesc* source, ULONG count) {
  Free();
  if (source == nullptr || count == 0) return 0;
  if (count > kMaxEntries) return MAPI_E_TOO_MANY_RECIPIENTS;
  Allocate(static_cast<WORD>(count));
  for (ULONG i = 0; i < count; ++i) {
    SetCurrent(static_cast<int>(i));
    SetRecipClass(source[i].ulRecipClass);
    SetName(source[i].lpszName);
    SetAddress(source[i].lpszAddress);
    // Entry IDs are at most 65,535 bytes; a larger stated size is cut to what fits.
    SetEntryID(source[i].lpEntryID, static_cast<WORD>(source[i].ulEIDSize & 0xFFFF));
    m_pCurrent->ulReserved = source[i].ulReserved;
    m_pCurrent->ulRecipClass = source[i].ulRecipClass;
  }
  SetCurrent(0);
  return 0;
}

CNuMailRecipients& CNuMailRecipients::operator=(const CNuMailRecipients& source) {
  if (this == &source) return *this;
  Free();
  if (source.m_pEntries != nullptr && Copy(source.m_pEntries, source.m_nCount) != 0) {
    Free();
    AfxThrowOSException(0xFFFFFFFF);
  }
  return *this;
}

// ---- message --------------------------------------------------------------------------------

CNuMailMessage::CNuMailMessage() : m_pMessage(new MapiMessage()) {}

CNuMailMessage::~CNuMailMessage() { Free(); }

// After Free (or assigning a freed message) there is no MapiMessage: readers see an empty
// message, and the first change starts a new one.
MapiMessage& CNuMailMessage::Editable() {
  if (m_pMessage == nullptr) m_pMessage = new MapiMessage();
  return *m_pMessage;
}

void CNuMailMessage::SetSubject(const char* text) { StoreText(Editable().lpszSubject, text); }
CString CNuMailMessage::GetSubject() const {
  return m_pMessage == nullptr ? CString() : TextOf(m_pMessage->lpszSubject);
}
void CNuMailMessage::SetNoteText(const char* text) { StoreText(Editable().lpszNoteText, text); }
CString CNuMailMessage::GetNoteText() const {
  return m_pMessage == nullptr ? CString() : TextOf(m_pMessage->lpszNoteText);
}
void CNuMailMessage::SetMessageType(const char* text) { StoreText(Editable().lpszMessageType, text); }
CString CNuMailMessage::GetMessageType() const {
  return m_pMessage == nullptr ? CString() : TextOf(m_pMessage->lpszMessageType);
}
void CNuMailMessage::SetConversationID(const char* text) { StoreText(Editable().lpszConversationID, text); }
CString CNuMailMessage::GetConversationID() const {
  return m_pMessage == nullptr ? CString() : TextOf(m_pMessage->lpszConversationID);
}
void CNuMailMessage::SetFlags(ULONG flags) { Editable().flFlags = flags; }
ULONG CNuMailMessage::GetFlags() const { return m_pMessage == nullptr ? 0 : m_pMessage->flFlags; }

void CNuMailMessage::SetOriginator(const CNuMailRecipients& originator) {
  Editable().lpOriginator = nullptr;
  m_originator = originator;
  m_pMessage->lpOriginator = m_originator.GetData();
}

ULONG CNuMailMessage::SetRecipients(const CNuMailRecipients& recipients) {
  const ULONG result = m_recipients.Copy(recipients.GetData(), recipients.GetCount());
  if (result != 0) return result;
  Editable().nRecipCount = m_recipients.GetCount();
  m_pMessage->lpRecips = m_recipients.GetData();
  return 0;
}

ULONG CNuMailMessage::SetAttachments(const CNuMailAttachments& attachments) {
  const ULONG result = m_attachments.Copy(attachments.GetData(), attachments.GetCount());
  if (result != 0) return result;
  Editable().nFileCount = m_attachments.GetCount();
  m_pMessage->lpFiles = m_attachments.GetData();
  return 0;
}

ULONG CNuMailMessage::CopyFrom(const MapiMessage* source) {
  if (source != nullptr && source == m_pMessage) return 0;
  Free();  // whatever this message held would otherwise be lost
  m_pMessage = new MapiMessage();
  if (source == nullptr) return MAPI_E_INVALID_MESSAGE;
  SetSubject(source->lpszSubject);
  SetNoteText(source->lpszNoteText);
  SetMessageType(source->lpszMessageType);
  if (source->lpszDateReceived != nullptr) {
    // Kept as it stands, even when empty.
    const size_t size = std::strlen(source->lpszDateReceived) + 1;
    m_pMessage->lpszDateReceived = new char[size];
    std::memcpy(m_pMessage->lpszDateReceived, source->lpszDateReceived, size);
  }
  SetConversationID(source->lpszConversationID);
  m_pMessage->flFlags = source->flFlags;
  m_originator.Copy(source->lpOriginator, 1);
  m_pMessage->lpOriginator = m_originator.GetData();
  ULONG result = 0;
  if (source->nRecipCount != 0) result = m_recipients.Copy(source->lpRecips, source->nRecipCount);
  m_pMessage->nRecipCount = m_recipients.GetCount();
  m_pMessage->lpRecips = m_recipients.GetData();
  if (source->nFileCount != 0 && result == 0)
    result = m_attachments.Copy(source->lpFiles, source->nFileCount);
  m_pMessage->nFileCount = m_attachments.GetCount();
  m_pMessage->lpFiles = m_attachments.GetData();
  m_pMessage->ulReserved = source->ulReserved;
  return result;
}

CNuMailMessage& CNuMailMessage::operator=(const CNuMailMessage& source) {
  if (this == &source) return *this;
  Free();
  // A freed source copies as an empty message: this one keeps a MapiMessage either way.
  if (source.m_pMessage != nullptr) CopyFrom(source.m_pMessage);
  else m_pMessage = new MapiMessage();
  return *this;
}

void CNuMailMessage::Free() {
  if (m_pMessage == nullptr) return;
  delete[] m_pMessage->lpszSubject;
  delete[] m_pMessage->lpszNoteText;
  delete[] m_pMessage->lpszMessageType;
  delete[] m_pMessage->lpszDateReceived;
  delete[] m_pMessage->lpszConversationID;
  delete m_pMessage;
  m_pMessage = nullptr;
  m_originator.Free();
  m_recipients.Free();
  m_attachments.Free();
}
