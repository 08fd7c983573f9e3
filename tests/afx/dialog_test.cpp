// CFileDialog's answer as the explorer layout writes it, against a scripted dialog.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

using hk::test::ScriptedDialog;

std::vector<std::string> Files(std::initializer_list<const char*> names) { return ScriptedDialog::InOneFolder(names); }

TEST(CFileDialog, TheExplorerLayoutOfOneAndOfSeveralNames) {
  const auto several = Files({"a.txt", "b.txt"});
  const auto one = Files({"only.txt"});
  ScriptedDialog script({several, one});
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_ALLOWMULTISELECT);
  char buffer[64];
  dialog.m_ofn.lpstrFile = buffer;
  dialog.m_ofn.nMaxFile = sizeof buffer;

  ASSERT_EQ(dialog.DoModal(), IDOK);
  const std::string folder = several[0].substr(0, several[0].find_last_of(hk::kPathSeparator));
  EXPECT_EQ(std::string(buffer, folder.size() + 14), folder + std::string("\0a.txt\0b.txt\0\0", 14));
  POSITION p = dialog.GetStartPosition();
  EXPECT_EQ(std::string(dialog.GetNextPathName(p)), several[0]);
  EXPECT_EQ(std::string(dialog.GetNextPathName(p)), several[1]);
  EXPECT_EQ(p, nullptr);

  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(std::string(buffer), one[0]);
  EXPECT_EQ(dialog.m_ofn.nFileOffset, one[0].size() - 8);
  // The names of the first answer still lie after the second's in the buffer.
  p = dialog.GetStartPosition();
  EXPECT_EQ(std::string(dialog.GetNextPathName(p)), one[0]);
  EXPECT_EQ(p, nullptr);
}

TEST(CFileDialog, AnswersNoDialogCouldGiveAreFailures) {
  const std::string other = std::string("elsewhere") + hk::kPathSeparator + "z";
  ScriptedDialog script({{Files({"a"})[0], other}, {"bare-name"}, Files({"a", "b"}),
                         Files({"a-long-name", "another-long-name"})});
  CFileDialog multi(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_ALLOWMULTISELECT);
  CFileDialog single(TRUE, nullptr, nullptr, OFN_EXPLORER);
  // Two folders, no folder, several names without multi-select.
  for (CFileDialog* dialog : {&multi, &multi, &single}) {
    EXPECT_EQ(dialog->DoModal(), IDCANCEL);
    EXPECT_EQ(dialog->CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));
  }

  char small[16];
  multi.m_ofn.lpstrFile = small;
  multi.m_ofn.nMaxFile = sizeof small;
  EXPECT_EQ(multi.DoModal(), IDCANCEL);
  EXPECT_EQ(multi.CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  WORD needed = 0;
  std::memcpy(&needed, small, sizeof needed);
  EXPECT_EQ(needed, std::string("data/in").size() + 1 + 12 + 18 + 1);
}

TEST(CFileDialog, AFilterWithoutClosingBarsEndsWhereItsTextEnds) {
  const char* filter = "Text files|*.txt|All|*.*";
  const size_t size = std::strlen(filter) + 2;
  {
    // A used block of the size the dialog takes for its filter: a copy that leaves out the
    // end of the text shows its leftover bytes.
    std::unique_ptr<char[]> used(new char[size]);
    std::memset(used.get(), 'x', size);
    volatile char keep = used[size - 1];
    (void)keep;
  }
  ScriptedDialog script({Files({"a"})});
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER, filter);
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(script.Dialogs().at(0).filter, (std::vector<std::string>{"Text files", "*.txt", "All", "*.*"}));
}

}  // namespace
