// Module-local strings, message boxes and context help, with the library's own module and a
// foreign one loaded beside the tests.
#include "tests/support/fixtures.h"

#include "frame/instance.h"
#include "platform/win32.h"

#include <functional>

namespace {

std::string ExecutableDirectory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

class ForeignModule : public testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryA((ExecutableDirectory() + HK_FOREIGN_MODULE).c_str());
    ASSERT_NE(m_module, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (m_module != nullptr) FreeLibrary(m_module);
  }
  HMODULE m_module = nullptr;
};

TEST(LoadLocalString, LoadsTheLibrarysOwnTable) {
  CString text;
  EXPECT_TRUE(LoadLocalString(GetLibraryInstance(), 129, text));
  EXPECT_STREQ(text, "Cannot create unique temporary filename");
  EXPECT_TRUE(LoadLocalString(GetLibraryInstance(), 159, text));
  EXPECT_STREQ(text, "Mail failed: ambigous recipient.");
}

TEST(LoadLocalString, MissingIdEmptiesTheStringAndAnswersFalse) {
  CString text("held text");
  EXPECT_FALSE(LoadLocalString(GetLibraryInstance(), 139, text));
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(ForeignModule, AForeignModulesStringsAreItsOwn) {
  CString foreign;
  CString own;
  ASSERT_TRUE(LoadLocalString(m_module, 130, foreign));
  ASSERT_TRUE(LoadLocalString(GetLibraryInstance(), 130, own));
  EXPECT_STREQ(foreign, "Foreign module string 130");
  EXPECT_STREQ(own, "Cannot launch the application %s.");
  CString none("x");
  EXPECT_FALSE(LoadLocalString(m_module, 129, none));
  EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ForeignModule, LongStringsAreCutToTheLoadersBuffer) {
  CString text;
  ASSERT_TRUE(LoadLocalString(m_module, 200, text));
  EXPECT_EQ(text.GetLength(), 8191);
  EXPECT_EQ(text, CString('x', 8191));
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

struct RecordedHelp {
  std::string file;
  DWORD_PTR data;
  UINT command;
};

class HelpRecorder {
 public:
  HelpRecorder() {
    m_previous = AfxSetHelpHandler([this](const char* file, DWORD_PTR data, UINT command) {
      requests.push_back(RecordedHelp{file != nullptr ? file : "", data, command});
    });
  }
  ~HelpRecorder() { AfxSetHelpHandler(m_previous); }
  std::vector<RecordedHelp> requests;

 private:
  AfxHelpHandler m_previous;
};

TEST_F(ForeignModule, ContextHelpUsesTheModulesHelpFileAndRestoresTheApps) {
  HelpRecorder recorder;
  CWinApp* app = AfxGetApp();
  const char* const appHelp = "application.hlp";
  app->m_pszHelpFilePath = appHelp;
  LocalContextHelp(m_module, 0, HELP_CONTEXT);  // id 0 shows nothing
  LocalContextHelp(m_module, 42, HELP_CONTEXTPOPUP);
  EXPECT_EQ(app->m_pszHelpFilePath, appHelp);
  app->m_pszHelpFilePath = nullptr;
  ASSERT_EQ(recorder.requests.size(), 1u);
  char moduleFile[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(m_module, moduleFile, MAX_PATH), 0u);
  EXPECT_EQ(recorder.requests[0].file, std::string(hk::frame::HelpFileName(moduleFile)));
  EXPECT_EQ(recorder.requests[0].data, 42u);
  EXPECT_EQ(recorder.requests[0].command, static_cast<UINT>(HELP_CONTEXTPOPUP));
  EXPECT_NE(recorder.requests[0].file.find("hostkit_foreign.hlp"), std::string::npos);
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
      FARPROC p = GetProcAddress(m_hLibrary, name);
      bound.push_back(p);
      if (p == nullptr) return FALSE;
    }
    return TRUE;
  }

 private:
  std::vector<const char*> m_names;
};

TEST(BaseAPI, AMissingLibraryLeavesTheHolderUnavailable) {
  TestHolder holder({"HkTestEntryA"});
  EXPECT_FALSE(holder.Load("hostkit-no-such-library.dll"));
  EXPECT_FALSE(holder.Available());
  EXPECT_TRUE(holder.bound.empty());
}

TEST(BaseAPI, AMissingLastEntryPointReleasesTheLibrary) {
  const std::string path = ExecutableDirectory() + HK_FOREIGN_MODULE;
  {
    TestHolder holder({"HkTestEntryA", "HkTestEntryB", "HkTestEntryMissing"});
    EXPECT_FALSE(holder.Load(path.c_str()));
    EXPECT_FALSE(holder.Available());
    EXPECT_EQ(holder.Module(), nullptr);
    ASSERT_EQ(holder.bound.size(), 3u);
    EXPECT_NE(holder.bound[0], nullptr);
  }
  EXPECT_EQ(GetModuleHandleA(HK_FOREIGN_MODULE), nullptr) << "the failed binding kept the library";
}

TEST(BaseAPI, ABoundLibraryStaysUntilTheHolderIsDestroyed) {
  const std::string path = ExecutableDirectory() + HK_FOREIGN_MODULE;
  {
    TestHolder holder({"HkTestEntryA", "HkTestEntryB"});
    EXPECT_TRUE(holder.Load(path.c_str()));
    EXPECT_TRUE(holder.Available());
    EXPECT_NE(GetModuleHandleA(HK_FOREIGN_MODULE), nullptr);
    auto entry = reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(holder.bound[1]));
    EXPECT_EQ(entry(), 2);
  }
  EXPECT_EQ(GetModuleHandleA(HK_FOREIGN_MODULE), nullptr) << "the holder did not release its library";
}

TEST(BaseAPI, OnlyWhatTheModuleItselfDefinesIsFound) {
  const std::string path = ExecutableDirectory() + HK_FOREIGN_MODULE;
  HMODULE module = LoadLibraryA(path.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddress(module, "HkTestEntryA"), nullptr);
  // Functions of the C library, which the module and the program use but do not define.
  for (HMODULE m : {module, GetModuleHandleA(nullptr)})
    for (const char* name : {"malloc", "strlen"}) {
      SetLastError(0);
      EXPECT_EQ(GetProcAddress(m, name), nullptr) << name;
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << name;
    }
  FreeLibrary(module);
  TestHolder holder({"HkTestEntryA", "malloc"});
  EXPECT_FALSE(holder.Load(path.c_str())) << "bound to a namesake of another library";
}

}  // namespace

namespace {

TEST_F(ForeignModule, MenusLoadByTheLowSixteenBitsOfTheirId) {
  CMenu menu;
  const BOOL loaded = LoadLocalMenu(m_module, 0x1012C, menu);  // low 16 bits: 300
  if (!hk::test::PlatformHasModuleResources()) {
    EXPECT_FALSE(loaded);
    EXPECT_EQ(menu.m_hMenu, nullptr);
    GTEST_SKIP() << "shared libraries carry no menu resources on this platform";
  }
  EXPECT_TRUE(loaded);
  EXPECT_NE(menu.m_hMenu, nullptr);
  CMenu missing;
  EXPECT_FALSE(LoadLocalMenu(m_module, 301, missing));
  CBitmap bitmap;
  EXPECT_FALSE(LoadLocalBitmap(m_module, 300, bitmap));
}

}  // namespace
