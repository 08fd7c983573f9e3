// The mail exception: its message table and its buffer contract.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>

namespace {

std::string MessageOf(DWORD code) {
  CNuMailException e(code);
  char text[4096];
  EXPECT_TRUE(e.GetErrorMessage(text, sizeof text));
  return text;
}

TEST(MailException, EveryCodeHasItsText) {
  const std::pair<DWORD, const char*> table[] = {
      {0xFFFFFFFF, "Mail is not available."},
      {2, "Mail failed."},
      {3, "Mail logon failure on the server."},
      {4, "Mail failed: disk full."},
      {5, "Mail failed: insufficient memory."},
      {6, "Mail access denied."},
      {8, "Too many mail sessions open."},
      {9, "Mail failed: too many files attached."},
      {10, "Mail failed: too many recipients."},
      {11, "Mail failed: attached file not found."},
      {12, "Mail failed to open attached file."},
      {13, "Mail failed to write an attached file."},
      {14, "Mail failed: unknown recipient."},
      {15, "Bad mail recipient type."},
      {16, "No mail message."},
      {17, "Invalid mail message."},
      {18, "Mail message is too large."},
      {19, "Invalid mail session."},
      {20, "Mail failed: type is not supported."},
      {21, "Mail failed: ambigous recipient."},
      {22, "Mail failed: message in use."},
      {23, "Mail failed: network failure."},
      {24, "Mail failed: invalid edit fields."},
      {25, "Mail failed: invalid recipients."},
      {26, "Unsupported mail call."},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(MessageOf(code), text) << "code " << code;
  for (DWORD unknown : {0u, 1u, 7u, 27u, 0xFFFFFFFEu, 0x80000000u})
    EXPECT_EQ(MessageOf(unknown), "Unknown mail error.") << "code " << unknown;
}

TEST(MailException, BufferContract) {
  CNuMailException e(3);
  char text[16];
  std::memset(text, 'x', sizeof text);
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 100));
  EXPECT_FALSE(e.GetErrorMessage(text, 0));
  EXPECT_EQ(text[0], 'x');
  EXPECT_TRUE(e.GetErrorMessage(text, 8));
  EXPECT_STREQ(text, "Mail lo");
}

}  // namespace
