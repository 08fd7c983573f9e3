// The message model: owned copies, null for empty text, list allocation and copying, the
// message invariant, and refusal of lists beyond 16-bit counts.
#include "tests/support/fixtures.h"

#include "mail/message.h"

#include <cstring>
#include <vector>

namespace {

TEST(MailMessage, EmptyOrNullTextLeavesTheFieldNull) {
  CNuMailMessage m;
  m.SetSubject("first");
  ASSERT_NE(m.GetMessage()->lpszSubject, nullptr);
  m.SetSubject("");
  EXPECT_EQ(m.GetMessage()->lpszSubject, nullptr);
  m.SetSubject("again");
  m.SetSubject(nullptr);
  EXPECT_EQ(m.GetMessage()->lpszSubject, nullptr);
  EXPECT_TRUE(m.GetSubject().IsEmpty());
  m.SetNoteText("");
  m.SetMessageType(nullptr);
  m.SetConversationID("");
  EXPECT_EQ(m.GetMessage()->lpszNoteText, nullptr);
  EXPECT_EQ(m.GetMessage()->lpszMessageType, nullptr);
  EXPECT_EQ(m.GetMessage()->lpszConversationID, nullptr);
}

TEST(MailMessage, SettersStoreCopiesOfTheirOwn) {
  CNuMailMessage m;
  char subject[] = "Quarterly report";
  m.SetSubject(subject);
  EXPECT_NE(m.GetMessage()->lpszSubject, subject);
  std::strcpy(subject, "changed");
  EXPECT_EQ(m.GetSubject(), "Quarterly report");

  CNuMailAttachments files;
  files.Allocate(1);
  {
    CString path = "/tmp/a.txt";
    files.SetPathName(path);
    files.SetFileName(CString("shown.txt"));
  }
  EXPECT_STREQ(files.GetData()[0].lpszPathName, "/tmp/a.txt");
  EXPECT_EQ(files.GetFileName(), "shown.txt");
  files.SetFileName("");
  EXPECT_EQ(files.GetData()[0].lpszFileName, nullptr);
}

TEST(MailMessage, CopiedRecipientsOwnTheirStrings) {
  std::vector<std::vector<char>> storage;
  auto text = [&](const char* s) {
    storage.emplace_back(s, s + std::strlen(s) + 1);
    return storage.back().data();
  };
  const BYTE id[] = {1, 2, 3, 4};
  MapiRecipDesc source[3] = {};
  source[0] = {0, MAPI_TO, text("Alice"), text("alice@example.org"), sizeof id, const_cast<BYTE*>(id)};
  source[1] = {0, MAPI_CC, text("Bob"), nullptr, 0, nullptr};
  source[2] = {7, MAPI_BCC, nullptr, text("carol@example.org"), 0, nullptr};

  auto copy = std::make_unique<CNuMailRecipients>(source, 3);
  ASSERT_EQ(copy->GetCount(), 3u);
  for (ULONG i = 0; i < 3; ++i) {
    EXPECT_EQ(copy->GetData()[i].ulRecipClass, source[i].ulRecipClass);
    EXPECT_EQ(copy->GetData()[i].ulReserved, source[i].ulReserved);
    if (source[i].lpszName != nullptr) {
      EXPECT_NE(copy->GetData()[i].lpszName, source[i].lpszName);
    }
  }
  EXPECT_NE(copy->GetData()[0].lpEntryID, source[0].lpEntryID);
  EXPECT_EQ(std::memcmp(copy->GetData()[0].lpEntryID, id, sizeof id), 0);

  // Free the source strings: the copy still reads its own.
  storage.clear();
  copy->SetCurrent(0);
  EXPECT_EQ(copy->GetName(), "Alice");
  EXPECT_EQ(copy->GetAddress(), "alice@example.org");
  copy->SetCurrent(2);
  EXPECT_TRUE(copy->GetName().IsEmpty());

  // Assignment copies again, and freeing the first list leaves the second intact.
  CNuMailRecipients second;
  second = *copy;
  copy.reset();
  second.SetCurrent(1);
  EXPECT_EQ(second.GetName(), "Bob");
  EXPECT_EQ(second.GetRecipClass(), static_cast<ULONG>(MAPI_CC));
  second = second;  // self-assignment keeps everything
  EXPECT_EQ(second.GetCount(), 3u);
}

TEST(MailMessage, AllocateZeroAndEmptyCopies) {
  CNuMailRecipients recipients;
  EXPECT_EQ(recipients.Allocate(0), 0u);
  EXPECT_EQ(recipients.GetData(), nullptr);  // nothing allocated
  EXPECT_EQ(recipients.GetCount(), 0u);
  EXPECT_TRUE(recipients.GetName().IsEmpty());

  CNuMailAttachments attachments;
  EXPECT_EQ(attachments.Allocate(0), 0u);
  EXPECT_NE(attachments.GetData(), nullptr);  // an empty array
  EXPECT_EQ(attachments.GetCount(), 0u);
  attachments.Free();
  EXPECT_EQ(attachments.GetData(), nullptr);

  MapiRecipDesc one{0, MAPI_TO, const_cast<char*>("x"), nullptr, 0, nullptr};
  EXPECT_EQ(recipients.Copy(nullptr, 4), 0u);
  EXPECT_EQ(recipients.GetData(), nullptr);
  EXPECT_EQ(recipients.Copy(&one, 0), 0u);
  EXPECT_EQ(recipients.GetCount(), 0u);
  EXPECT_EQ(recipients.GetData(), nullptr);

  CNuMailMessage m;
  CNuMailRecipients none;
  EXPECT_EQ(m.SetRecipients(none), 0u);
  EXPECT_EQ(m.GetMessage()->nRecipCount, 0u);
  EXPECT_EQ(m.GetMessage()->lpRecips, nullptr);
}

TEST(MailMessage, ListsBeyondSixteenBitsAreRefusedNotOverrun) {
  // The source is never read when the count is refused, so one entry stands for many.
  MapiRecipDesc recipient{0, MAPI_TO, const_cast<char*>("x"), nullptr, 0, nullptr};
  MapiFileDesc file{0, 0, 0, const_cast<char*>("/f"), nullptr, nullptr};
  CNuMailRecipients recipients;
  CNuMailAttachments attachments;
  EXPECT_EQ(recipients.Copy(&recipient, 0x10000), static_cast<ULONG>(MAPI_E_TOO_MANY_RECIPIENTS));
  EXPECT_EQ(recipients.GetData(), nullptr);
  EXPECT_EQ(attachments.Copy(&file, 0x10001), static_cast<ULONG>(MAPI_E_TOO_MANY_FILES));
  EXPECT_EQ(attachments.GetData(), nullptr);

  MapiMessage source{};
  source.nRecipCount = 70000;
  source.lpRecips = &recipient;
  CNuMailMessage m;
  EXPECT_EQ(m.CopyFrom(&source), static_cast<ULONG>(MAPI_E_TOO_MANY_RECIPIENTS));
  EXPECT_EQ(m.GetMessage()->nRecipCount, 0u);
}

TEST(MailMessage, ListsAndTheMessageStayInStep) {
  CNuMailRecipients to;
  to.Allocate(2);
  to.SetCurrent(0);
  to.SetName("Alice");
  to.SetRecipClass(MAPI_TO);
  to.SetCurrent(1);
  to.SetName("Bob");
  to.SetEntryID("\x01\x02", 2);
  CNuMailAttachments files;
  files.Allocate(1);
  files.SetPathName("/tmp/report.pdf");
  files.SetPosition(5);
  files.SetFlags(0);

  CNuMailMessage m;
  ASSERT_EQ(m.SetRecipients(to), 0u);
  ASSERT_EQ(m.SetAttachments(files), 0u);
  CNuMailRecipients sender;
  sender.Allocate(1);
  sender.SetName("Me");
  m.SetOriginator(sender);
  MapiMessage* raw = m.GetMessage();
  EXPECT_EQ(raw->nRecipCount, 2u);
  EXPECT_EQ(raw->lpRecips, m.GetRecipients().GetData());
  EXPECT_NE(raw->lpRecips, to.GetData());  // a copy, freed independently
  EXPECT_EQ(raw->nFileCount, 1u);
  EXPECT_EQ(raw->lpFiles[0].nPosition, 5u);
  EXPECT_EQ(raw->lpFiles[0].lpFileType, nullptr);
  EXPECT_STREQ(raw->lpOriginator->lpszName, "Me");

  // A whole copy of the message, then the original goes away.
  auto original = std::make_unique<CNuMailMessage>();
  original->SetSubject("Subject");
  original->SetNoteText("Text  ");
  original->SetFlags(MAPI_RECEIPT_REQUESTED);
  original->SetRecipients(to);
  original->SetAttachments(files);
  original->SetOriginator(sender);
  CNuMailMessage copy;
  copy = *original;
  original.reset();
  EXPECT_EQ(copy.GetSubject(), "Subject");
  EXPECT_EQ(copy.GetNoteText(), "Text  ");
  EXPECT_EQ(copy.GetFlags(), static_cast<ULONG>(MAPI_RECEIPT_REQUESTED));
  EXPECT_EQ(copy.GetMessage()->nRecipCount, 2u);
  EXPECT_STREQ(copy.GetMessage()->lpRecips[1].lpszName, "Bob");
  EXPECT_EQ(copy.GetMessage()->lpRecips[1].ulEIDSize, 2u);
  EXPECT_STREQ(copy.GetMessage()->lpFiles[0].lpszPathName, "/tmp/report.pdf");
  EXPECT_STREQ(copy.GetMessage()->lpOriginator->lpszName, "Me");
  copy = copy;  // assigning a message to itself keeps everything
  EXPECT_EQ(copy.GetSubject(), "Subject");
  EXPECT_STREQ(copy.GetMessage()->lpRecips[1].lpszName, "Bob");
  EXPECT_STREQ(copy.GetMessage()->lpFiles[0].lpszPathName, "/tmp/report.pdf");
}

// A message or list handed its own arrays or strings copies them before letting go of them.
TEST(MailMessage, AMessageGivenItsOwnListsKeepsThem) {
  CNuMailRecipients to;
  to.Allocate(2);
  to.SetName("Alice");
  to.SetEntryID("\x01\x02\x03", 3);
  to.SetCurrent(1);
  to.SetName("Bob");
  to.SetAddress("bob@example.org");
  CNuMailAttachments files;
  files.Allocate(1);
  files.SetPathName("/tmp/report.pdf");
  files.SetFileName("Report.pdf");
  CNuMailMessage m;
  m.SetSubject("Subject");
  ASSERT_EQ(m.SetRecipients(to), 0u);
  ASSERT_EQ(m.SetAttachments(files), 0u);
  auto keptEverything = [&m] {
    const MapiMessage* raw = m.GetMessage();
    EXPECT_STREQ(raw->lpszSubject, "Subject");
    ASSERT_EQ(raw->nRecipCount, 2u);
    EXPECT_EQ(raw->lpRecips, m.GetRecipients().GetData());
    EXPECT_STREQ(raw->lpRecips[0].lpszName, "Alice");
    ASSERT_EQ(raw->lpRecips[0].ulEIDSize, 3u);
    EXPECT_EQ(std::memcmp(raw->lpRecips[0].lpEntryID, "\x01\x02\x03", 3), 0);
    EXPECT_STREQ(raw->lpRecips[1].lpszName, "Bob");
    EXPECT_STREQ(raw->lpRecips[1].lpszAddress, "bob@example.org");
    ASSERT_EQ(raw->nFileCount, 1u);
    EXPECT_EQ(raw->lpFiles, m.GetAttachments().GetData());
    EXPECT_STREQ(raw->lpFiles[0].lpszPathName, "/tmp/report.pdf");
    EXPECT_STREQ(raw->lpFiles[0].lpszFileName, "Report.pdf");
  };
  ASSERT_EQ(m.SetRecipients(m.GetRecipients()), 0u);
  ASSERT_EQ(m.SetAttachments(m.GetAttachments()), 0u);
  keptEverything();
  const MapiMessage view = *m.GetMessage();  // the message's own strings and arrays
  ASSERT_EQ(m.CopyFrom(&view), 0u);
  keptEverything();
  // An entry given its own text or entry ID.
  CNuMailRecipients& own = m.GetRecipients();
  own.SetCurrent(0);
  own.SetName(own.GetData()[0].lpszName);
  own.SetEntryID(own.GetData()[0].lpEntryID, 3);
  m.GetAttachments().SetPathName(m.GetAttachments().GetData()[0].lpszPathName);
  keptEverything();
}

TEST(MailMessage, FreedMessagesAndEntryIDsWithoutDataAreSafe) {
  // A freed message reads as empty, and the next change starts a new one.
  CNuMailMessage freed;
  freed.SetSubject("gone");
  freed.Free();
  EXPECT_EQ(freed.GetMessage(), nullptr);
  EXPECT_TRUE(freed.GetSubject().IsEmpty());
  EXPECT_EQ(freed.GetFlags(), 0u);
  CTime when;
  EXPECT_EQ(freed.GetDateReceived(when), 0);

  // Assigning it gives a message that can be edited and sent, not a null structure.
  CNuMailMessage target;
  target.SetSubject("old");
  target = freed;
  ASSERT_NE(target.GetMessage(), nullptr);
  EXPECT_TRUE(target.GetSubject().IsEmpty());
  EXPECT_EQ(target.GetFlags(), 0u);
  target.SetSubject("new");
  target.SetFlags(MAPI_UNREAD);
  EXPECT_STREQ(target.GetMessage()->lpszSubject, "new");
  EXPECT_EQ(target.GetMessage()->flFlags, static_cast<ULONG>(MAPI_UNREAD));

  freed.SetFlags(MAPI_SENT);
  freed.SetDateReceived(CTime(2002, 4, 6, 8, 10, 0));
  ASSERT_NE(freed.GetMessage(), nullptr);
  EXPECT_EQ(freed.GetFlags(), static_cast<ULONG>(MAPI_SENT));
  EXPECT_STREQ(freed.GetMessage()->lpszDateReceived, "2002/04/06 08:10");

  // A stated entry ID size without the entry ID is no entry ID at all.
  MapiRecipDesc source{0, MAPI_TO, const_cast<char*>("Alice"), nullptr, 16, nullptr};
  CNuMailRecipients copy(&source, 1);
  EXPECT_EQ(copy.GetData()[0].ulEIDSize, 0u);
  EXPECT_EQ(copy.GetData()[0].lpEntryID, nullptr);
  EXPECT_EQ(copy.GetName(), "Alice");
}

}  // namespace

namespace {

TEST(MailMessageDate, TextRoundTripKeepsTheMinute) {
  CNuMailMessage m;
  m.SetDateReceived(CTime(2001, 3, 5, 7, 4, 59));
  ASSERT_NE(m.GetMessage()->lpszDateReceived, nullptr);
  EXPECT_STREQ(m.GetMessage()->lpszDateReceived, "2001/03/05 07:04");
  CTime back;
  EXPECT_EQ(m.GetDateReceived(back), 0);
  EXPECT_EQ(back, CTime(2001, 3, 5, 7, 4, 0));
  EXPECT_EQ(back.GetSecond(), 0);

  // A copied message keeps the text as it stands, even an empty one.
  MapiMessage source{};
  char empty[] = "";
  source.lpszDateReceived = empty;
  CNuMailMessage copy;
  ASSERT_EQ(copy.CopyFrom(&source), 0u);
  ASSERT_NE(copy.GetMessage()->lpszDateReceived, nullptr);
  EXPECT_NE(copy.GetMessage()->lpszDateReceived, empty);
  EXPECT_STREQ(copy.GetMessage()->lpszDateReceived, "");
}

}  // namespace
