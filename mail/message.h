// The owning model of Simple MAPI messages (internal): every string and array hanging from a
// MapiMessage is the model's own heap copy, released with the object.
#pragma once

#include <hostkit/mail.h>

// The array a list owns: zero-filled entries, the cursor that the per-entry operations act on,
// and the count (at most 65,535: the counts are 16 bits wide). Every string of an entry, and a
// recipient's entry ID, is the list's own copy. Instantiated for MapiFileDesc and MapiRecipDesc.
template <typename Entry>
class CNuMailList {
 public:
  CNuMailList(const CNuMailList&) = delete;
  CNuMailList& operator=(const CNuMailList&) = delete;

  void SetCurrent(int index) { m_pCurrent = m_pEntries + index; }
  Entry* GetData() const { return m_pEntries; }
  ULONG GetCount() const { return m_nCount; }
  // Releases every entry's copies, then the array; entries and cursor null, count 0.
  void Free();
  // Replaces the list with copies of count entries, the cursor on the first; the source may be
  // this list's own array. A null source or a count of 0 leaves the list empty; more than
  // 65,535 entries are refused (MAPI_E_TOO_MANY_FILES or _RECIPIENTS) and leave it empty.
  ULONG Copy(const Entry* source, ULONG count);
  void Swap(CNuMailList& other);

 protected:
  CNuMailList() = default;
  ~CNuMailList() { Free(); }
  // count zero-filled entries, the cursor on the first; an earlier array is not freed.
  void AllocateEntries(WORD count);
  // Copy of the source, or CNuOSException with the thread's last error when that fails.
  void Assign(const CNuMailList& source);
  // A text of the cursor entry: copy-in (an empty or NULL text leaves it null) and copy-out
  // (empty when the list has no array).
  void StoreText(LPSTR Entry::*field, const char* text);
  CString TextOf(LPSTR Entry::*field) const;

  Entry* m_pEntries = nullptr;
  Entry* m_pCurrent = nullptr;
  ULONG m_nCount = 0;
};

// Owns an array of attachment entries, edited through a cursor.
class CNuMailAttachments : public CNuMailList<MapiFileDesc> {
 public:
  CNuMailAttachments() = default;
  virtual ~CNuMailAttachments() = default;
  CNuMailAttachments& operator=(const CNuMailAttachments& source);

  // Allocates count zero-filled entries (an empty array for 0) and puts the cursor on the
  // first; does not free an earlier array. Returns 0.
  ULONG Allocate(WORD count);

  void SetFlags(ULONG flags) { m_pCurrent->flFlags = flags; }
  ULONG GetFlags() const { return m_pCurrent->flFlags; }
  void SetPosition(ULONG position) { m_pCurrent->nPosition = position; }
  ULONG GetPosition() const { return m_pCurrent->nPosition; }
  void SetPathName(const char* path) { StoreText(&MapiFileDesc::lpszPathName, path); }
  CString GetPathName() const { return TextOf(&MapiFileDesc::lpszPathName); }
  void SetFileName(const char* name) { StoreText(&MapiFileDesc::lpszFileName, name); }
  CString GetFileName() const { return TextOf(&MapiFileDesc::lpszFileName); }
};

// Owns an array of recipient entries, edited through a cursor.
class CNuMailRecipients : public CNuMailList<MapiRecipDesc> {
 public:
  CNuMailRecipients() = default;
  // Copies count entries; a failed copy throws CNuOSException with the thread's last error.
  CNuMailRecipients(const MapiRecipDesc* source, ULONG count);
  virtual ~CNuMailRecipients() = default;
  CNuMailRecipients& operator=(const CNuMailRecipients& source);

  // Allocates count zero-filled entries and puts the cursor on the first; 0 allocates
  // nothing. Does not free an earlier array. Returns 0.
  ULONG Allocate(WORD count);

  void SetRecipClass(ULONG recipClass) { m_pCurrent->ulRecipClass = recipClass; }
  ULONG GetRecipClass() const { return m_pCurrent->ulRecipClass; }
  void SetName(const char* name) { StoreText(&MapiRecipDesc::lpszName, name); }
  CString GetName() const { return TextOf(&MapiRecipDesc::lpszName); }
  void SetAddress(const char* address) { StoreText(&MapiRecipDesc::lpszAddress, address); }
  CString GetAddress() const { return TextOf(&MapiRecipDesc::lpszAddress); }
  // A copy of size bytes (none for 0 or null data); the data may be the entry's own.
  void SetEntryID(const void* data, WORD size);
};

// Owns one MapiMessage with its strings, originator, recipients and attachments.
class CNuMailMessage {
 public:
  CNuMailMessage();
  virtual ~CNuMailMessage();
  CNuMailMessage(const CNuMailMessage&) = delete;
  CNuMailMessage& operator=(const CNuMailMessage& source);

  // The owned structure; null after Free until the next change.
  MapiMessage* GetMessage() const { return m_pMessage; }

  void SetSubject(const char* text);
  CString GetSubject() const;
  void SetNoteText(const char* text);
  CString GetNoteText() const;
  void SetMessageType(const char* text);
  CString GetMessageType() const;
  void SetConversationID(const char* text);
  CString GetConversationID() const;
  // Stored as the local time "%Y/%m/%d %H:%M" (2001/03/05 07:04); read back with seconds 0.
  void SetDateReceived(const CTime& time);
  int GetDateReceived(CTime& time) const;
  void SetFlags(ULONG flags);
  ULONG GetFlags() const;

  CNuMailRecipients& GetOriginator() { return m_originator; }
  CNuMailRecipients& GetRecipients() { return m_recipients; }
  CNuMailAttachments& GetAttachments() { return m_attachments; }
  void SetOriginator(const CNuMailRecipients& originator);
  ULONG SetRecipients(const CNuMailRecipients& recipients);
  ULONG SetAttachments(const CNuMailAttachments& attachments);

  // Replaces this message with copies of everything the source holds, which may be a view of
  // this message's own strings and arrays; a non-zero result is the code of a list that
  // could not be copied.
  ULONG CopyFrom(const MapiMessage* source);
  void Free();

 private:
  MapiMessage& Editable();
  // Copies the source into this new, empty message.
  ULONG Fill(const MapiMessage& source);
  void Swap(CNuMailMessage& other);

  MapiMessage* m_pMessage;
  CNuMailRecipients m_originator;
  CNuMailRecipients m_recipients;
  CNuMailAttachments m_attachments;
};
