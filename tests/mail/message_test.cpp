// The message model: owned copies, null for empty text, list allocation and copying, the
// message invariant, and refusal of lists beyond 16-bit counts.
#include "tests/support/fixtures.h"

#include "mail/message.h"

#include <cstring>
#include <memory>

namespace {

TEST(MailMessage, TextsAreCopiesOfTheirOwnAndEmptyTextIsNull) {
  using Setter = void (CNuMailMessage::*)(const char*);
  const std::pair<Setter, LPSTR MapiMessage::*> fields[] = {
      {&CNuMailMessage::SetSubject, &MapiMessage::lpszSubject},
      {&CNuMailMessage::SetNoteText, &MapiMessage::lpszNoteText},
      {&CNuMailMessage::SetMessageType, &MapiMessage::lpszMessageType},
      {&CNuMailMessage::SetConversationID, &MapiMessage::lpszConversationID}};
  for (const auto& [set, field] : fields) {
    CNuMailMessage m;
    char text[] = "Quarterly report";
    (m.*set)(text);
    std::strcpy(text, "changed");
    EXPECT_STREQ(m.GetMessage()->*field, "Quarterly report");
    (m.*set)("");
    EXPECT_EQ(m.GetMessage()->*field, nullptr);
    (m.*set)("again");
    (m.*set)(nullptr);
    EXPECT_EQ(m.GetMessage()->*field, nullptr);
  }
}

TEST(MailMessage, EmptyCopies) {
  CNuMailRecipients recipients;
  // A stated entry ID size without the entry ID is no entry ID at all.
  MapiRecipDesc one{7, MAPI_BCC, const_cast<char*>("x"), nullptr, 16, nullptr};
  ASSERT_EQ(recipients.Copy(&one, 1), 0u);
  EXPECT_EQ(recipients.GetData()[0].ulReserved + recipients.GetData()[0].ulEIDSize, 7u);
  EXPECT_EQ(recipients.GetData()[0].lpEntryID, nullptr);
  EXPECT_EQ(recipients.Copy(nullptr, 4) + recipients.Copy(&one, 0), 0u);
  EXPECT_EQ(recipients.GetCount(), 0u);
  EXPECT_EQ(recipients.GetData(), nullptr);
}

TEST(MailMessage, ListsBeyondSixteenBitsAreRefusedNotOverrun) {
  // The source is never read when the count is refused, so one entry stands for many.
  MapiRecipDesc recipient{0, MAPI_TO, const_cast<char*>("x"), nullptr, 0, nullptr};
  MapiFileDesc file{0, 0, 0, const_cast<char*>("/f"), nullptr, nullptr};
  CNuMailRecipients recipients;
  CNuMailAttachments attachments;
  EXPECT_EQ(recipients.Copy(&recipient, 0x10000), static_cast<ULONG>(MAPI_E_TOO_MANY_RECIPIENTS));
  EXPECT_EQ(attachments.Copy(&file, 0x10001), static_cast<ULONG>(MAPI_E_TOO_MANY_FILES));
  MapiMessage source{};
  source.nRecipCount = 70000;
  source.lpRecips = &recipient;
  CNuMailMessage m;
  EXPECT_EQ(m.CopyFrom(&source), static_cast<ULONG>(MAPI_E_TOO_MANY_RECIPIENTS));
  EXPECT_EQ(m.GetMessage()->nRecipCount, 0u);
}

// A message with two recipients, an attachment and an originator, built through the lists.
void Fill(CNuMailMessage& m) {
  CNuMailRecipients to, sender;
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
  files.SetPosition(5);
  sender.Allocate(1);
  sender.SetName("Me");
  m.SetSubject("Subject");
  m.SetFlags(MAPI_RECEIPT_REQUESTED);
  ASSERT_EQ(m.SetRecipients(to), 0u);
  ASSERT_EQ(m.SetAttachments(files), 0u);
  m.SetOriginator(sender);
  EXPECT_NE(m.GetMessage()->lpRecips, to.GetData());  // a copy, freed independently
}

// The message's arrays are its lists' own, and everything Fill put there reads back.
void ExpectFilled(CNuMailMessage& m) {
  const MapiMessage* raw = m.GetMessage();
  EXPECT_STREQ(raw->lpszSubject, "Subject");
  EXPECT_EQ(raw->flFlags, static_cast<ULONG>(MAPI_RECEIPT_REQUESTED));
  ASSERT_EQ(raw->nRecipCount, 2u);
  EXPECT_EQ(raw->lpRecips, m.GetRecipients().GetData());
  EXPECT_STREQ(raw->lpRecips[0].lpszName, "Alice");
  ASSERT_EQ(raw->lpRecips[0].ulEIDSize, 3u);
  EXPECT_EQ(std::memcmp(raw->lpRecips[0].lpEntryID, "\x01\x02\x03", 3), 0);
  EXPECT_STREQ(raw->lpRecips[1].lpszAddress, "bob@example.org");
  ASSERT_EQ(raw->nFileCount, 1u);
  EXPECT_EQ(raw->lpFiles, m.GetAttachments().GetData());
  EXPECT_STREQ(raw->lpFiles[0].lpszPathName, "/tmp/report.pdf");
  EXPECT_STREQ(raw->lpFiles[0].lpszFileName, "Report.pdf");
  EXPECT_EQ(raw->lpFiles[0].nPosition, 5u);
  EXPECT_STREQ(raw->lpOriginator->lpszName, "Me");
}

TEST(MailMessage, ListsAndTheMessageStayInStepAndKeepWhatTheyAreGiven) {
  auto original = std::make_unique<CNuMailMessage>();
  Fill(*original);
  ExpectFilled(*original);
  CNuMailMessage copy;
  copy = *original;
  original.reset();
  ExpectFilled(copy);
  // A message or list handed its own arrays or strings copies them before letting go of them.
  CNuMailMessage& m = copy;
  ASSERT_EQ(m.SetRecipients(m.GetRecipients()), 0u);
  ASSERT_EQ(m.SetAttachments(m.GetAttachments()), 0u);
  ExpectFilled(m);
  const MapiMessage view = *m.GetMessage();  // the message's own strings and arrays
  ASSERT_EQ(m.CopyFrom(&view), 0u);
  ExpectFilled(m);
  CNuMailRecipients& own = m.GetRecipients();
  own.SetCurrent(0);
  own.SetName(own.GetData()[0].lpszName);
  own.SetEntryID(own.GetData()[0].lpEntryID, 3);
  m.GetAttachments().SetPathName(m.GetAttachments().GetData()[0].lpszPathName);
  ExpectFilled(m);
}

TEST(MailMessage, DateTextKeepsTheMinuteAndACopyKeepsItAsItStands) {
  CNuMailMessage m;
  m.SetDateReceived(CTime(2001, 3, 5, 7, 4, 59));
  EXPECT_STREQ(m.GetMessage()->lpszDateReceived, "2001/03/05 07:04");
  CTime back;
  EXPECT_EQ(m.GetDateReceived(back), 0);
  EXPECT_EQ(back, CTime(2001, 3, 5, 7, 4, 0));
  MapiMessage source{};
  char empty[] = "";  // even an empty text
  source.lpszDateReceived = empty;
  ASSERT_EQ(m.CopyFrom(&source), 0u);
  ASSERT_NE(m.GetMessage()->lpszDateReceived, nullptr);
  EXPECT_NE(m.GetMessage()->lpszDateReceived, empty);
  EXPECT_STREQ(m.GetMessage()->lpszDateReceived, "");
}

}  // namespace
