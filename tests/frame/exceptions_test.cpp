// The exception family: class records, messages, HandleError and ReportError.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>

namespace {

using hk::test::Capture;
using hk::test::ErrorOf;

std::string SystemText(DWORD code) {
  char text[4096] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 text, sizeof text - 1, nullptr);
  return text;
}

TEST(Exceptions, AllOnesCarriesTheLastErrorOfTheFailedCallAnExplicitCodeIgnoresIt) {
  hk::test::TempDir dir;
  // Opening a directory as a file fails with "access denied" on both platforms.
  HANDLE h = CreateFileA(dir.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_EQ(h, INVALID_HANDLE_VALUE);
  const hk::test::Thrown thrown = Capture<CNuOSException>([] { AfxThrowOSException(0xFFFFFFFF); });
  EXPECT_EQ(thrown.code, 5);
  EXPECT_EQ(thrown.message, SystemText(5));
  SetLastError(5);
  EXPECT_EQ(ErrorOf<CNuOSException>([] { AfxThrowOSException(2); }), 2u);
}

TEST(Exceptions, ShellCodesMapToWin32Codes) {
  const struct { DWORD shell, win32; } cases[] = {
      {0, 8}, {2, 2}, {3, 3}, {5, 5}, {8, 8}, {11, 11}, {26, 32}, {27, 1155},
      {28, 1156}, {29, 1156}, {30, 1156}, {31, 1155}, {32, 1157}, {1, 8}, {33, 8}};
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf<CNuOSException>([&] { AfxThrowShellException(c.shell); }), c.win32) << c.shell;
}

TEST(Exceptions, GetErrorMessageKeepsToItsBuffer) {
  CNuOSException e(5);
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 100));
  char text[4] = {'x', 'y', 'z', 0};
  EXPECT_FALSE(e.GetErrorMessage(text, 0));
  EXPECT_STREQ(text, "xyz");
  // A code without a text answers FALSE with an empty text, writing nothing past its size.
  CNuOSException unknown(0x2000FFFF);
  EXPECT_FALSE(unknown.GetErrorMessage(text, 1));
  EXPECT_EQ(std::string(text, 3), std::string("\0yz", 3));
}

TEST(HandleError, GivesTheTextOfEachKindOfException) {
  const struct {
    CException* exception;  // handed over: HandleError deletes it
    const char* text;
  } cases[] = {{nullptr, "Unknown system-level error occured."},
               {new CNuOSException(0x2000FFFF), ""},  // a code without a text
               {new CFileException(CFileException::fileNotFound, 2, "a.txt"), "a.txt was not found."}};
  for (const auto& c : cases) {
    CString text("old");
    CNuException::HandleError(c.exception, text);
    EXPECT_STREQ(text, c.text);
  }
}

TEST(ReportError, ShowsTheGenericMessageForACodeWithoutTextAndReturnsTheButton) {
  hk::test::RecordingMessageBoxes boxes(IDCANCEL);
  EXPECT_EQ(CNuOSException(0x2000FFFF).ReportError(MB_OKCANCEL | MB_ICONERROR, 12345), IDCANCEL);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Unknown system-level error occured.");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OKCANCEL | MB_ICONERROR));
  EXPECT_EQ(boxes.Boxes()[0].helpId, 0u);  // the message id is not a help context
}

}  // namespace
