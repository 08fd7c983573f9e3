// The mail message model: MapiMessage, its recipients and attachments, each string a copy of
// the model's own.
#include "mail/message.h"

#include "platform/win32.h"

#include <cstring>
#include <utility>

namespace {

constexpr ULONG kMaxEntries = 0xFFFF;  // the counts of a list are 16 bits wide

// Copy-in: an empty or NULL text leaves the field null. The copy is made before the old one
// goes, since the text may be the field's own.
void StoreText(LPSTR& field, const char* text) {
  LPSTR copy = nullptr;
  if (text != nullptr && *text != '\0') {
    const size_t size = std::strlen(text) + 1;
    copy = new char[size];
    std::memcpy(copy, text, size);
  }
  delete[] field;
  field = copy;
}

// What differs between the two kinds of entry: the copies they own, how one is copied, and
// the code that refuses too many of them.
void Release(MapiFileDesc& entry) {
  delete[] entry.lpszPathName;
  delete[] entry.lpszFileName;
}

void Release(MapiRecipDesc& entry) {
  delete[] entry.lpszName;
  delete[] entry.lpszAddress;
  delete[] static_cast<BYTE*>(entry.lpEntryID);
}

void CopyEntry(MapiFileDesc& to, const MapiFileDesc& from) {
  to.ulReserved = from.ulReserved;
  to.flFlags = from.flFlags;
  to.nPosition = from.nPosition;
  StoreText(to.lpszPathName, from.lpszPathName);
  StoreText(to.lpszFileName, from.lpszFileName);
  // lpFileType is never copied: the model keeps it null.
}

void StoreEntryID(MapiRecipDesc& entry, const void* data, WORD size) {
  // A size without data (a caller's inconsistent entry) is no entry ID, not a read from null.
  if (data == nullptr) size = 0;
  BYTE* copy = nullptr;
  if (size != 0) {
    copy = new BYTE[size];
    std::memcpy(copy, data, size);
  }
  delete[] static_cast<BYTE*>(entry.lpEntryID);
  entry.lpEntryID = copy;
  entry.ulEIDSize = size;
}

void CopyEntry(MapiRecipDesc& to, const MapiRecipDesc& from) {
  to.ulReserved = from.ulReserved;
  to.ulRecipClass = from.ulRecipClass;
  StoreText(to.lpszName, from.lpszName);
  StoreText(to.lpszAddress, from.lpszAddress);
  // Entry IDs are at most 65,535 bytes; a larger stated size is cut to what fits.
  StoreEntryID(to, from.lpEntryID, static_cast<WORD>(from.ulEIDSize & 0xFFFF));
}

ULONG TooMany(const MapiFileDesc*) { return MAPI_E_TOO_MANY_FILES; }
ULONG TooMany(const MapiRecipDesc*) { return MAPI_E_TOO_MANY_RECIPIENTS; }

}  // namespace

// ---- both lists -----------------------------------------------------------------------------

template <typename Entry>
void CNuMailList<Entry>::Free() {
  if (m_pEntries != nullptr) {
    for (ULONG i = 0; i < m_nCount; ++i) Release(m_pEntries[i]);
    delete[] m_pEntries;
  }
  m_pEntries = nullptr;
  m_pCurrent = nullptr;
  m_nCount = 0;
}

template <typename Entry>
ULONG CNuMailList<Entry>::Copy(const Entry* source, ULONG count) {
  if (source == nullptr || count == 0) {
    Free();
    return 0;
  }
  // A larger count would be cut to 16 bits by the allocation and then copied past its end.
  if (count > kMaxEntries) {
    Free();
    return TooMany(source);
  }
  // The copies are complete before the old entries go: the source may be this very list.
  Entry* copies = new Entry[count]();
  try {
    for (ULONG i = 0; i < count; ++i) CopyEntry(copies[i], source[i]);
  } catch (...) {
    for (ULONG i = 0; i < count; ++i) Release(copies[i]);
    delete[] copies;
    throw;
  }
  Free();
  m_pEntries = copies;
  m_pCurrent = copies;
  m_nCount = count;
  return 0;
}

template <typename Entry>
void CNuMailList<Entry>::Swap(CNuMailList& other) {
  std::swap(m_pEntries, other.m_pEntries);
  std::swap(m_pCurrent, other.m_pCurrent);
  std::swap(m_nCount, other.m_nCount);
}

template <typename Entry>
void CNuMailList<Entry>::AllocateEntries(WORD count) {
  m_pEntries = new Entry[count]();
  m_nCount = count;
  m_pCurrent = m_pEntries;
}

template <typename Entry>
void CNuMailList<Entry>::Assign(const CNuMailList& source) {
  if (this == &source) return;
  if (Copy(source.m_pEntries, source.m_nCount) != 0) {
    Free();
    AfxThrowOSException(0xFFFFFFFF);
  }
}

template <typename Entry>
void CNuMailList<Entry>::StoreText(LPSTR Entry::*field, const char* text) {
  ::StoreText(m_pCurrent->*field, text);
}

template <typename Entry>
CString CNuMailList<Entry>::TextOf(LPSTR Entry::*field) const {
  return m_pEntries == nullptr ? CString() : CString(m_pCurrent->*field);
}

template class CNuMailList<MapiFileDesc>;
template class CNuMailList<MapiRecipDesc>;

// ---- attachments ----------------------------------------------------------------------------

CNuMailAttachments& CNuMailAttachments::operator=(const CNuMailAttachments& source) {
  Assign(source);
  return *this;
}

ULONG CNuMailAttachments::Allocate(WORD count) {
  AllocateEntries(count);
  return 0;
}

// ---- recipients -----------------------------------------------------------------------------

CNuMailRecipients::CNuMailRecipients(const MapiRecipDesc* source, ULONG count) {
  if (Copy(source, count) != 0) AfxThrowOSException(0xFFFFFFFF);
}

CNuMailRecipients& CNuMailRecipients::operator=(const CNuMailRecipients& source) {
  Assign(source);
  return *this;
}

ULONG CNuMailRecipients::Allocate(WORD count) {
  if (count != 0) AllocateEntries(count);
  return 0;
}

void CNuMailRecipients::SetEntryID(const void* data, WORD size) { StoreEntryID(*m_pCurrent, data, size); }

// ---- message --------------------------------------------------------------------------------

CNuMailMessage::CNuMailMessage() : m_pMessage(new MapiMessage()) {}

CNuMailMessage::~CNuMailMessage() { Free(); }

// After Free (or assigning a freed message) there is no MapiMessage: readers see an empty
// message, and the first change starts a new one.
MapiMessage& CNuMailMessage::Editable() {
  if (m_pMessage == nullptr) m_pMessage = new MapiMessage();
  return *m_pMessage;
}

namespace {
CString TextOf(const MapiMessage* message, LPSTR MapiMessage::*field) {
  return message == nullptr ? CString() : CString(message->*field);
}
}  // namespace

void CNuMailMessage::SetSubject(const char* text) { StoreText(Editable().lpszSubject, text); }
CString CNuMailMessage::GetSubject() const { return TextOf(m_pMessage, &MapiMessage::lpszSubject); }
void CNuMailMessage::SetNoteText(const char* text) { StoreText(Editable().lpszNoteText, text); }
CString CNuMailMessage::GetNoteText() const { return TextOf(m_pMessage, &MapiMessage::lpszNoteText); }
void CNuMailMessage::SetMessageType(const char* text) { StoreText(Editable().lpszMessageType, text); }
CString CNuMailMessage::GetMessageType() const { return TextOf(m_pMessage, &MapiMessage::lpszMessageType); }
void CNuMailMessage::SetConversationID(const char* text) { StoreText(Editable().lpszConversationID, text); }
CString CNuMailMessage::GetConversationID() const { return TextOf(m_pMessage, &MapiMessage::lpszConversationID); }
void CNuMailMessage::SetFlags(ULONG flags) { Editable().flFlags = flags; }
ULONG CNuMailMessage::GetFlags() const { return m_pMessage == nullptr ? 0 : m_pMessage->flFlags; }

void CNuMailMessage::SetOriginator(const CNuMailRecipients& originator) {
  Editable().lpOriginator = nullptr;
  m_originator = originator;
  m_pMessage->lpOriginator = m_originator.GetData();
}

// The message's count and array follow the list even when the copy fails (and empties it), so
// that they never point at entries that are gone.
ULONG CNuMailMessage::SetRecipients(const CNuMailRecipients& recipients) {
  const ULONG result = m_recipients.Copy(recipients.GetData(), recipients.GetCount());
  Editable().nRecipCount = m_recipients.GetCount();
  m_pMessage->lpRecips = m_recipients.GetData();
  return result;
}

ULONG CNuMailMessage::SetAttachments(const CNuMailAttachments& attachments) {
  const ULONG result = m_attachments.Copy(attachments.GetData(), attachments.GetCount());
  Editable().nFileCount = m_attachments.GetCount();
  m_pMessage->lpFiles = m_attachments.GetData();
  return result;
}

ULONG CNuMailMessage::CopyFrom(const MapiMessage* source) {
  if (source != nullptr && source == m_pMessage) return 0;
  // Built aside and swapped in: the source may be a view of this message's own strings and
  // arrays, which must outlive the copying.
  CNuMailMessage copy;
  const ULONG result = source != nullptr ? copy.Fill(*source) : MAPI_E_INVALID_MESSAGE;
  Swap(copy);
  return result;
}

ULONG CNuMailMessage::Fill(const MapiMessage& source) {
  SetSubject(source.lpszSubject);
  SetNoteText(source.lpszNoteText);
  SetMessageType(source.lpszMessageType);
  if (source.lpszDateReceived != nullptr) {
    // Kept as it stands, even when empty.
    const size_t size = std::strlen(source.lpszDateReceived) + 1;
    m_pMessage->lpszDateReceived = new char[size];
    std::memcpy(m_pMessage->lpszDateReceived, source.lpszDateReceived, size);
  }
  SetConversationID(source.lpszConversationID);
  m_pMessage->flFlags = source.flFlags;
  m_originator.Copy(source.lpOriginator, 1);
  m_pMessage->lpOriginator = m_originator.GetData();
  ULONG result = 0;
  if (source.nRecipCount != 0) result = m_recipients.Copy(source.lpRecips, source.nRecipCount);
  m_pMessage->nRecipCount = m_recipients.GetCount();
  m_pMessage->lpRecips = m_recipients.GetData();
  if (source.nFileCount != 0 && result == 0) result = m_attachments.Copy(source.lpFiles, source.nFileCount);
  m_pMessage->nFileCount = m_attachments.GetCount();
  m_pMessage->lpFiles = m_attachments.GetData();
  m_pMessage->ulReserved = source.ulReserved;
  return result;
}

void CNuMailMessage::Swap(CNuMailMessage& other) {
  std::swap(m_pMessage, other.m_pMessage);
  m_originator.Swap(other.m_originator);
  m_recipients.Swap(other.m_recipients);
  m_attachments.Swap(other.m_attachments);
}

CNuMailMessage& CNuMailMessage::operator=(const CNuMailMessage& source) {
  if (this == &source) return *this;
  // A freed source copies as an empty message: this one keeps a MapiMessage either way.
  if (source.m_pMessage != nullptr) {
    CopyFrom(source.m_pMessage);
  } else {
    Free();
    m_pMessage = new MapiMessage();
  }
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
