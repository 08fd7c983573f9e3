// Picking files: GetMultipleFileNames against a scripted open-file dialog.
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include "platform/win32.h"

#include <deque>

namespace {

using hk::test::ScriptedDialog;
using hk::test::Strings;

std::vector<std::string> Files(std::initializer_list<const char*> names) { return ScriptedDialog::InOneFolder(names); }

using Names = std::vector<std::string>;

Names Joined(Names a, const Names& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(GetMultipleFileNames, SelectionsAgainstTheLimit) {
  const Names five = Files({"a", "b", "c", "d", "e"}), two = Files({"a", "b"}), one = Files({"c"});
  const std::string longName(200, 'n');
  const Names tooLong = Files({longName.c_str(), (longName + "2").c_str(), (longName + "3").c_str()});
  const Names cancel;
  struct Row {
    const char* what;
    std::deque<Names> script;  // one selection per dialog
    Names before;
    int limit;
    BOOL result;
    Names after;
    size_t dialogs;
    DWORD buffer;     // characters of the first dialog's buffer
    const char* box;  // the message shown, if any
  } rows[] = {
      {"no limit: every name is appended", {five}, {"earlier"}, 0, TRUE, Joined({"earlier"}, five), 1, 25600, nullptr},
      {"more than the limit: what fits, and a word", {five}, {}, 3, FALSE, Names(five.begin(), five.begin() + 3), 1,
       768, "Select only 3 files, please!"},
      {"too few: the dialog again until the limit is met", {two, one}, {}, 3, TRUE, Joined(two, one), 2, 768, nullptr},
      {"a cancel later keeps the earlier names", {two, cancel}, {}, 3, FALSE, two, 2, 768, nullptr},
      {"a list already at the limit takes nothing", {one}, {"x", "y"}, 2, FALSE, {"x", "y"}, 1, 512,
       "Select only 2 files, please!"},
      // Limit 2 gives 512 characters: three names of 200 do not fit, though the count would.
      {"more than the buffer holds", {tooLong}, {}, 2, FALSE, {}, 1, 512, "Failed to open: too many files selected."},
      {"a cancel says nothing", {cancel}, {}, 0, FALSE, {}, 1, 25600, nullptr},
      {"a negative limit opens nothing", {one}, {}, -1, FALSE, {}, 0, 0, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScriptedDialog dialog(row.script);
    hk::test::RecordingMessageBoxes boxes;
    CStringList names;
    for (const std::string& name : row.before) names.AddTail(name.c_str());
    CString filter("Text (*.txt)|*.txt|All files|*.*||");
    EXPECT_EQ(GetMultipleFileNames(names, filter, row.limit), row.result);
    EXPECT_EQ(Strings(names), row.after);
    ASSERT_EQ(dialog.Dialogs().size(), row.dialogs);
    if (row.dialogs > 0) {
      EXPECT_EQ(dialog.Dialogs()[0].bufferLength, row.buffer);
      EXPECT_EQ(dialog.Dialogs()[0].flags, 0x81206u);
      EXPECT_EQ(dialog.Dialogs()[0].filter, (Names{"Text (*.txt)", "*.txt", "All files", "*.*"}));
    }
    ASSERT_EQ(boxes.Boxes().size(), row.box != nullptr ? 1u : 0u);
    for (const auto& box : boxes.Boxes()) EXPECT_EQ(box.text, row.box);
  }
}

// On Windows the default is the system's dialog, which needs a user.
#if !defined(_WIN32)
TEST(GetMultipleFileNames, WithoutAHandlerPosixCancels) {
  CStringList names;
  CString filter("All|*||");
  EXPECT_FALSE(GetMultipleFileNames(names, filter, 0));
  EXPECT_TRUE(names.IsEmpty());
}
#endif

}  // namespace
