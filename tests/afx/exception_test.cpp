// The framework's exceptions: their messages, ReportError, and which classes serialize.
#include "tests/support/fixtures.h"

TEST(Exception, ReportErrorShowsTheMessageOrSaysWhatIsMissing) {
  hk::test::RecordingMessageBoxes boxes(IDRETRY);
  CFileException file(CFileException::fileNotFound, 2, "a.txt");
  EXPECT_EQ(file.ReportError(MB_RETRYCANCEL), IDRETRY);
  CException plain;
  EXPECT_EQ(plain.ReportError(MB_OK), IDRETRY);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, "a.txt was not found.");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_RETRYCANCEL));
  EXPECT_EQ(boxes.Boxes()[1].text, "An unsupported operation was attempted.");
}

TEST(Exception, CollectionsSerializeAndExceptionsDoNot) {
  EXPECT_TRUE(CStringList().IsSerializable());
  EXPECT_TRUE(CDWordArray().IsSerializable());
  EXPECT_FALSE(CFileException().IsSerializable());
}
