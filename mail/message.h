// The owning model of Simple MAPI messages (internal): every string and array hanging from a
// MapiMessage is the model's own heap copy, released with the object.
#pragma once

#include <hostkit/mail.h>

// Owns an array of attachment entries, edited through a cursor.
class CNuMailAttachments {
 public:
  CNuMailAttachments();
  virtual ~CNuMailAttachments();
  CNuMailAttachments(const CNuMailAttachments&) = delete;
  CNuMailAttachments& operator=(const CNuMailAttachments& source);

  // Allocates count zero-filled entries (an empty array for 0) and puts the cursor on the
  // first; does not free an earlier array. Returns 0.
  ULONG Allocate(WORD count);
  void SetCurrent(int index) { m_pCurrent = m_pEntries + index; }

  void SetFlags(ULONG flags) { m_pCurrent->flFlags = flags; }
  ULONG GetFlags() const { return m_pCurrent->flFlags; }
  void SetPosition(ULONG position) { m_pCurrent->nPosition = position; }
  ULONG GetPosition() const { return m_pCurrent->nPosition; }
  void SetPathName(const char* path);
  CString GetPathName() const;
  void SetFileName(const char* name);
  CString GetFileName() const;

  MapiFileDesc* GetData() const { return m_pEntries; }
  ULONG GetCount() const { return m_nCount; }
  void Free();
  // Replaces the list with copies of count entries; more than 65,535 entries are refused
  // with MAPI_E_TOO_MANY_FILES and leave the list empty.
  ULONG Copy(const MapiFileDesc* source, ULONG count);

 private:
  MapiFileDesc* m_pEntries;
  MapiFileDesc* m_pCurrent;
  ULONG m_nCount;
};

// Owns an array of recipient entries, edited through a cursor.
class CNuMailRecipients {
 public:
  CNuMailRecipients();
  // Copies count entries; a failed copy throws CNuOSException with the thread's last error.
  CNuMailRecipients(const MapiRecipDesc* source, ULONG count);
  virtual ~CNuMailRecipients();
  CNuMailRecipients(const CNuMailRecipients&) = delete;
  CNuMailRecipients& operator=(const CNuMailRecipients& source);

  // Allocates count zero-filled entries and puts the cursor on the first; 0 allocates
  // nothing. Does not free an earlier array. Returns 0.
  ULONG Allocate(WORD count);
  void SetCurrent(int index) { m_pCurrent = m_pEntries + index; }

  void SetRecipClass(ULONG recipClass) { m_pCurrent->ulRecipClass = recipClass; }
  ULONG GetRecipClass() const { return m_pCurrent->ulRecipClass; }
  void SetName(const char* name);
  CString GetName() const;
  void SetAddress(const char* address);
  CString GetAddress() const;
  void SetEntryID(const void* data, WORD size);

  MapiRecipDesc* GetData() const { return m_pEntries; }
  ULONG GetCount() const { return m_nCount; }
  void Free();
  // Replaces the list with copies of count entries; more than 65,535 entries are refused
  // with MAPI_E_TOO_MANY_RECIPIENTS and leave the list empty.
  ULONG Copy(const MapiRecipDesc* source, ULONG count);

 private:
  MapiRecipDesc* m_pEntries;
  MapiRecipDesc* m_pCurrent;
  ULONG m_nCount;
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

  // Replaces this message with copies of everything the source holds; a non-zero result is
  // the code of a list that could not be copied.
  ULONG CopyFrom(const MapiMessage* source);
  void Free();

 private:
  MapiMessage& Editable();

  MapiMessage* m_pMessage;
  CNuMailRecipients m_originator;
  CNuMailRecipients m_recipients;
  CNuMailAttachments m_attachments;
};
