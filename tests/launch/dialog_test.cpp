// Picking files: GetMultipleFileNames against a scripted open-file dialog, and the layout of
// the dialog's answer.
#include "tests/launch/launch_support.h"

#include "platform/win32.h"

#include <cstring>
#include <deque>

namespace {

// A dialog that answers from a script: each entry is one dialog's selection; an entry with no
// names is a cancel. Records what each dialog was opened with.
class ScriptedDialog {
 public:
  explicit ScriptedDialog(std::deque<std::vector<std::string>> script) : m_script(std::move(script)) {
    m_previous = AfxSetFileDialogHandler([this](const OPENFILENAMEA& ofn, CStringArray& selection) {
      Opened opened{ofn.Flags, ofn.nMaxFile, {}};
      for (const char* f = ofn.lpstrFilter; f != nullptr && *f != '\0'; f += std::strlen(f) + 1)
        opened.filter.push_back(f);
      m_opened.push_back(opened);
      if (m_script.empty()) return FALSE;
      const std::vector<std::string> names = m_script.front();
      m_script.pop_front();
      for (const std::string& n : names) selection.Add(n.c_str());
      return names.empty() ? FALSE : TRUE;
    });
  }
  ~ScriptedDialog() { AfxSetFileDialogHandler(m_previous); }

  struct Opened {
    DWORD flags;
    DWORD bufferLength;
    std::vector<std::string> filter;
  };
  const std::vector<Opened>& Dialogs() const { return m_opened; }

 private:
  std::deque<std::vector<std::string>> m_script;
  std::vector<Opened> m_opened;
  AfxFileDialogHandler m_previous;
};

// Full names in one folder, as a dialog returns them.
std::vector<std::string> Files(std::initializer_list<const char*> names) {
  static const std::string folder = std::string("data") + hk::kPathSeparator + "in";
  std::vector<std::string> out;
  for (const char* n : names) out.push_back(folder + hk::kPathSeparator + n);
  return out;
}

std::vector<std::string> Contents(const CStringList& list) {
  std::vector<std::string> out;
  for (POSITION p = list.GetHeadPosition(); p != nullptr;) out.push_back(std::string(list.GetNext(p)));
  return out;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(GetMultipleFileNames, WithoutLimitEverySelectedNameIsAppended) {
  const auto picked = Files({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
  ScriptedDialog dialog({picked});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  names.AddTail("earlier");
  CString filter("Text (*.txt)|*.txt|All files|*.*||");
  EXPECT_TRUE(GetMultipleFileNames(names, filter, 0));
  EXPECT_EQ(Contents(names), Joined({"earlier"}, picked));
  ASSERT_EQ(dialog.Dialogs().size(), 1u);
  EXPECT_EQ(dialog.Dialogs()[0].flags, 0x81206u);
  EXPECT_EQ(dialog.Dialogs()[0].bufferLength, 25600u);
  EXPECT_EQ(dialog.Dialogs()[0].filter,
            (std::vector<std::string>{"Text (*.txt)", "*.txt", "All files", "*.*"}));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(GetMultipleFileNames, MoreThanTheLimitKeepsWhatFitsAndSaysSo) {
  const auto picked = Files({"a", "b", "c", "d", "e"});
  ScriptedDialog dialog({picked});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 3));
  EXPECT_EQ(Contents(names), std::vector<std::string>(picked.begin(), picked.begin() + 3));
  ASSERT_EQ(dialog.Dialogs().size(), 1u);
  EXPECT_EQ(dialog.Dialogs()[0].bufferLength, 768u);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Select only 3 files, please!");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes.Boxes()[0].helpId, 0u);
}

TEST(GetMultipleFileNames, TooFewOpensTheDialogAgainUntilTheLimitIsMet) {
  const auto first = Files({"a", "b"}), second = Files({"c"});
  ScriptedDialog dialog({first, second});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_TRUE(GetMultipleFileNames(names, filter, 3));
  EXPECT_EQ(Contents(names), Joined(first, second));
  EXPECT_EQ(dialog.Dialogs().size(), 2u);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(GetMultipleFileNames, ACancelInALaterDialogKeepsTheEarlierNames) {
  const auto first = Files({"a", "b"});
  ScriptedDialog dialog({first, std::vector<std::string>{}});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 3));
  EXPECT_EQ(Contents(names), first);
  EXPECT_EQ(dialog.Dialogs().size(), 2u);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(GetMultipleFileNames, AListAlreadyAtTheLimitTakesNothing) {
  ScriptedDialog dialog({Files({"x"})});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  names.AddTail("one");
  names.AddTail("two");
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 2));
  EXPECT_EQ(Contents(names), (std::vector<std::string>{"one", "two"}));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Select only 2 files, please!");
}

TEST(GetMultipleFileNames, ASelectionLongerThanTheBufferSaysSo) {
  // Limit 2 gives 512 characters: three names of 200 do not fit, though the count would.
  const std::string longName(200, 'n');
  ScriptedDialog dialog({Files({longName.c_str(), (longName + "2").c_str(), (longName + "3").c_str()})});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 2));
  EXPECT_EQ(names.GetCount(), 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Failed to open: too many files selected.");
}

TEST(GetMultipleFileNames, ACancelSaysNothing) {
  ScriptedDialog dialog(std::deque<std::vector<std::string>>{std::vector<std::string>{}});
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 0));
  EXPECT_EQ(names.GetCount(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(GetMultipleFileNames(names, filter, -1));
  EXPECT_EQ(dialog.Dialogs().size(), 1u);
}

#if defined(_WIN32)
TEST(GetMultipleFileNames, WithoutAHandlerPosixCancels) {
  GTEST_SKIP() << "on Windows the default is the system's dialog, which needs a user";
}
#else
TEST(GetMultipleFileNames, WithoutAHandlerPosixCancels) {
  hk::test::RecordingMessageBoxes boxes;
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 0));
  EXPECT_TRUE(boxes.Boxes().empty());
}
#endif

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
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(dialog.GetNextPathName(p)), several[1]);
  EXPECT_EQ(p, nullptr);

  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(std::string(buffer), one[0]);
  EXPECT_EQ(dialog.m_ofn.nFileOffset, one[0].size() - 8);
  p = dialog.GetStartPosition();
  EXPECT_EQ(std::string(dialog.GetNextPathName(p)), one[0]);
  EXPECT_EQ(p, nullptr);
}

TEST(CFileDialog, AnswersNoDialogCouldGiveAreFailures) {
  const std::string other = std::string("elsewhere") + hk::kPathSeparator + "z";
  ScriptedDialog script({{Files({"a"})[0], other}, {"bare-name"}, Files({"a", "b"}),
                         Files({"a-long-name", "another-long-name"})});
  CFileDialog multi(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_ALLOWMULTISELECT);
  EXPECT_EQ(multi.DoModal(), IDCANCEL);  // two folders
  EXPECT_EQ(multi.CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));
  EXPECT_EQ(multi.DoModal(), IDCANCEL);  // no folder
  EXPECT_EQ(multi.CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));
  CFileDialog single(TRUE, nullptr, nullptr, OFN_EXPLORER);
  EXPECT_EQ(single.DoModal(), IDCANCEL);  // several without multi-select
  EXPECT_EQ(single.CommDlgExtendedError(), static_cast<DWORD>(CDERR_DIALOGFAILURE));

  char small[16];
  multi.m_ofn.lpstrFile = small;
  multi.m_ofn.nMaxFile = sizeof small;
  EXPECT_EQ(multi.DoModal(), IDCANCEL);
  EXPECT_EQ(multi.CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  WORD needed = 0;
  std::memcpy(&needed, small, sizeof needed);
  EXPECT_EQ(needed, std::string("data/in").size() + 1 + 12 + 18 + 1);
}

}  // namespace
