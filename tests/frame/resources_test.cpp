// Module-local strings, message boxes and context help, with the library's own module and a
// foreign one loaded beside the tests.
#include "tests/support/fixtures.h"

#include "frame/instance.h"
#include "platform/win32.h"

#include <string>
#include <vector>

namespace {

// The foreign module's full name: it is built beside the test program.
std::string ForeignPath() {
  char path[MAX_PATH];
  const std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return program.substr(0, program.find_last_of("\\/") + 1) + HK_FOREIGN_MODULE;
}

class ForeignModule : public testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryA(ForeignPath().c_str());
    ASSERT_NE(m_module, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (m_module != nullptr) FreeLibrary(m_module);
  }
  HMODULE m_module = nullptr;
};

TEST_F(ForeignModule, StringsAreEachModulesOwn) {
  CString own, foreign, none("held text");
  EXPECT_TRUE(LoadLocalString(GetLibraryInstance(), 130, own));
  EXPECT_STREQ(own, "Cannot launch the application %s.");
  EXPECT_TRUE(LoadLocalString(m_module, 130, foreign));
  EXPECT_STREQ(foreign, "Foreign module string 130");
  // A missing id empties the string and answers FALSE.
  EXPECT_FALSE(LoadLocalString(GetLibraryInstance(), 139, none));
  EXPECT_TRUE(none.IsEmpty());
  // Long strings are cut to the loader's buffer.
  ASSERT_TRUE(LoadLocalString(m_module, 200, foreign));
  EXPECT_EQ(foreign, CString('x', 8191));
}

TEST_F(ForeignModule, MessageBoxShowsTheModulesTextOrNothing) {
  hk::test::RecordingMessageBoxes boxes(IDYES);
  EXPECT_EQ(AfxLocalMessageBox(m_module, 130, MB_YESNO, 77), IDYES);
  EXPECT_EQ(AfxLocalMessageBox(m_module, 131, MB_OK, 0), 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Foreign module string 130");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(boxes.Boxes()[0].helpId, 77u);
}

TEST(HelpFileName, CutsAtTheLastDotOfTheWholePath) {
  const struct { const char* module; const char* help; } cases[] = {
      {"C:\\App\\Tools.dll", "C:\\App\\Tools.hlp"},
      {"C:\\App\\tool", "C:\\App\\tool.hlp"},
      {"C:\\dir.x\\tool", "C:\\dir.hlp"},
      {"/usr/lib/libhostkit.so.0.1.0", "/usr/lib/libhostkit.so.0.1.hlp"},
      {".module", ".hlp"},  // a dot in front is a dot like any other
  };
  for (const auto& c : cases) EXPECT_STREQ(hk::frame::HelpFileName(c.module), c.help) << c.module;
}

TEST_F(ForeignModule, ContextHelpUsesTheModulesHelpFileAndRestoresTheApps) {
  std::vector<std::string> requests;
  const AfxHelpHandler previous = AfxSetHelpHandler([&](const char* file, DWORD_PTR data, UINT command) {
    requests.push_back(std::string(file) + " " + std::to_string(data) + " " + std::to_string(command));
  });
  const char* const appHelp = "application.hlp";
  AfxGetApp()->m_pszHelpFilePath = appHelp;
  LocalContextHelp(m_module, 0, HELP_CONTEXT);  // id 0 shows nothing
  LocalContextHelp(m_module, 42, HELP_CONTEXTPOPUP);
  EXPECT_EQ(AfxGetApp()->m_pszHelpFilePath, appHelp);
  AfxGetApp()->m_pszHelpFilePath = nullptr;
  AfxSetHelpHandler(previous);
  const std::string help = static_cast<const char*>(hk::frame::HelpFileName(ForeignPath().c_str()));
  EXPECT_EQ(requests, std::vector<std::string>{help + " 42 " + std::to_string(HELP_CONTEXTPOPUP)});
}

TEST_F(ForeignModule, MenusLoadByTheLowSixteenBitsOfTheirId) {
  CMenu menu, missing;
  const BOOL loaded = LoadLocalMenu(m_module, 0x1012C, menu);  // low 16 bits: 300
  if (!hk::test::PlatformHasModuleResources()) {
    EXPECT_FALSE(loaded);
    GTEST_SKIP() << "shared libraries carry no menu resources on this platform";
  }
  EXPECT_TRUE(loaded);
  EXPECT_NE(menu.m_hMenu, nullptr);
  EXPECT_FALSE(LoadLocalMenu(m_module, 301, missing));
}

// Binding entry points of a library loaded at run time.
class TestHolder : public CNuBaseAPI {
 public:
  explicit TestHolder(std::vector<const char*> names) : m_names(std::move(names)) {}
  BOOL Load(const char* library) { return LoadAPILibrary(library); }
  BOOL Available() { return IsAvailable(); }
  HINSTANCE Module() const { return m_hLibrary; }
  std::vector<FARPROC> bound;

 protected:
  BOOL LoadEntryPoints() override {
    for (const char* name : m_names) {
      bound.push_back(GetProcAddress(m_hLibrary, name));
      if (bound.back() == nullptr) return FALSE;
    }
    return TRUE;
  }

 private:
  std::vector<const char*> m_names;
};

TEST(BaseAPI, ALibraryIsHeldOnlyWhileBoundInFull) {
  const std::string path = ForeignPath();
  {
    // A missing last entry point releases the library.
    TestHolder holder({"HkTestEntryA", "HkTestEntryB", "HkTestEntryMissing"});
    EXPECT_FALSE(holder.Load(path.c_str()));
    EXPECT_EQ(holder.Module(), nullptr);
    EXPECT_EQ(holder.bound.size(), 3u);
  }
  EXPECT_EQ(GetModuleHandleA(HK_FOREIGN_MODULE), nullptr) << "the failed binding kept the library";
  {
    // A bound library stays until the holder is destroyed.
    TestHolder holder({"HkTestEntryA", "HkTestEntryB"});
    EXPECT_TRUE(holder.Load(path.c_str()));
    EXPECT_TRUE(holder.Available());
    auto entry = reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(holder.bound[1]));
    EXPECT_EQ(entry(), 2);
  }
  EXPECT_EQ(GetModuleHandleA(HK_FOREIGN_MODULE), nullptr) << "the holder did not release its library";
}

TEST(BaseAPI, OnlyWhatTheModuleItselfDefinesIsFound) {
  // malloc and strlen: functions of the C library, which the module and the program use but do
  // not define.
  TestHolder holder({"HkTestEntryA", "malloc"});
  EXPECT_FALSE(holder.Load(ForeignPath().c_str())) << "bound to a namesake of another library";
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "strlen"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

}  // namespace
