// The exception family: class records, messages, HandleError and ReportError.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>

namespace {

std::string SystemText(DWORD code) {
  char text[4096] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 text, sizeof text - 1, nullptr);
  return text;
}

TEST(Exceptions, ClassRecordsNameTheChainUpToCException) {
  try {
    AfxThrowOSException(2);
  } catch (CException* e) {
    CRuntimeClass* cls = e->GetRuntimeClass();
    EXPECT_STREQ(cls->m_lpszClassName, "CNuOSException");
    EXPECT_EQ(cls->m_wSchema, 0xFFFFu);
    EXPECT_EQ(cls->m_pfnCreateObject, nullptr);
    EXPECT_EQ(cls->m_nObjectSize, static_cast<int>(sizeof(CNuOSException)));
    CRuntimeClass* base = cls->m_pfnGetBaseClass();
    EXPECT_STREQ(base->m_lpszClassName, "CNuException");
    EXPECT_EQ(base->m_pfnGetBaseClass(), RUNTIME_CLASS(CException));
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CNuException)));
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_TRUE(e->m_bAutoDelete);
    e->Delete();
  }
}

TEST(Exceptions, ThrownPointerIsCaughtAsEveryClassOnItsChain) {
  int caught = 0;
  try { AfxThrowOSException(2); } catch (CNuOSException* e) { ++caught; e->Delete(); }
  try { AfxThrowOSException(2); } catch (CNuException* e) { ++caught; e->Delete(); }
  try { AfxThrowOSException(2); } catch (CObject* e) { ++caught; static_cast<CException*>(e)->Delete(); }
  EXPECT_EQ(caught, 3);
}

TEST(Exceptions, AllOnesCarriesTheLastErrorOfTheFailedCall) {
  hk::test::TempDir dir;
  // Opening a directory as a file fails with "access denied" on both platforms.
  HANDLE h = CreateFileA(dir.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_EQ(h, INVALID_HANDLE_VALUE);
  try {
    AfxThrowOSException(0xFFFFFFFF);
  } catch (CNuOSException* e) {
    EXPECT_EQ(e->m_dwError, 5u);
    char text[512];
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
    EXPECT_EQ(std::string(text), SystemText(5));
    EXPECT_NE(std::string(text).find("\r\n"), std::string::npos);
    e->Delete();
  }
}

TEST(Exceptions, AnExplicitCodeIgnoresTheLastError) {
  SetLastError(5);
  try {
    AfxThrowOSException(2);
  } catch (CNuOSException* e) {
    EXPECT_EQ(e->m_dwError, 2u);
    e->Delete();
  }
}

TEST(Exceptions, ShellCodesMapToWin32Codes) {
  const struct { DWORD shell, win32; } cases[] = {
      {0, 8}, {2, 2}, {3, 3}, {5, 5}, {8, 8}, {11, 11}, {26, 32}, {27, 1155},
      {28, 1156}, {29, 1156}, {30, 1156}, {31, 1155}, {32, 1157}, {1, 8}, {33, 8}};
  for (const auto& c : cases) {
    try {
      AfxThrowShellException(c.shell);
    } catch (CNuOSException* e) {
      EXPECT_EQ(e->m_dwError, c.win32) << "shell code " << c.shell;
      e->Delete();
    }
  }
}

TEST(Exceptions, GetErrorMessageRefusesANullBufferOrZeroSize) {
  CNuOSException e(5);
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 100));
  char text[4] = {'x', 'y', 'z', 0};
  EXPECT_FALSE(e.GetErrorMessage(text, 0));
  EXPECT_STREQ(text, "xyz");
}

TEST(HandleError, NullGivesTheGenericMessage) {
  CString text("old");
  CNuException::HandleError(nullptr, text);
  EXPECT_STREQ(text, "Unknown system-level error occured.");
}

TEST(HandleError, CodeWithoutTextGivesAnEmptyString) {
  CString text("old");
  CNuException::HandleError(new CNuOSException(0x2000FFFF), text);
  EXPECT_STREQ(text, "");
}

TEST(HandleError, PlainCExceptionGivesAnEmptyString) {
  CString text("old");
  CNuException::HandleError(new CException, text);
  EXPECT_STREQ(text, "");
}

TEST(HandleError, FileExceptionsPassThroughWithTheirOwnText) {
  CString text;
  CNuException::HandleError(new CFileException(CFileException::fileNotFound, 2, "a.txt"), text);
  EXPECT_STREQ(text, "a.txt was not found.");
}

TEST(ReportError, FallsBackToTheGenericMessageWithHelpContextZero) {
  hk::test::RecordingMessageBoxes boxes(IDOK);
  CNuOSException e(0x2000FFFF);
  EXPECT_EQ(e.ReportError(MB_OKCANCEL | MB_ICONERROR, 12345), IDOK);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Unknown system-level error occured.");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OKCANCEL | MB_ICONERROR));
  EXPECT_EQ(boxes.Boxes()[0].helpId, 0u);
}

TEST(ReportError, ShowsTheSystemTextAndReturnsTheButton) {
  hk::test::RecordingMessageBoxes boxes(IDCANCEL);
  CNuOSException e(2);
  EXPECT_EQ(e.ReportError(MB_OKCANCEL), IDCANCEL);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, SystemText(2));
}

}  // namespace
