// Shell hand-offs: opening documents and reading drops.
#include "tests/launch/launch_support.h"
#include "tests/support/capture.h"

#include "platform/win32.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#if defined(_WIN32)
#  include <shlobj.h>
#endif

namespace {

DWORD OpenError(const std::string& document) {
  return hk::test::ErrorOf<CNuOSException>([&] { OpenFileAssociation(document.c_str()); });
}

TEST(OpenFileAssociation, AMissingDocumentThrowsFileNotFound) {
  hk::test::TempDir dir;
  EXPECT_EQ(OpenError(dir / "missing.txt"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

#if defined(_WIN32)
TEST(OpenFileAssociation, ATypeNothingOpensThrowsNoAssociation) {
  hk::test::TempDir dir;
  const std::string document = dir.WriteFile("report.hostkit-nothing-opens", "x");
  EXPECT_EQ(OpenError(document), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
}
#else
// The desktop's opener is looked for on PATH; a PATH holding only a test directory decides
// what, if anything, answers.
class Opener : public ::testing::Test {
 protected:
  void SetUp() override { m_path = std::make_unique<hk::test::ScopedEnv>("PATH", m_bin.Path().c_str()); }

  // An opener that records its arguments and ends with 'status'.
  void InstallOpener(int status) {
    const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + m_bin.Path() +
                               "got'\nexit " + std::to_string(status) + "\n";
    const std::string name = m_bin.WriteFile("xdg-open", script);
    std::filesystem::permissions(name, std::filesystem::perms::owner_all);
  }
  std::string Received() { return hk::test::ReadWholeFile(m_bin / "got"); }

  hk::test::TempDir m_bin, m_docs;
  std::unique_ptr<hk::test::ScopedEnv> m_path;
};

TEST_F(Opener, ATypeNothingOpensThrowsNoAssociation) {
  const std::string document = m_docs.WriteFile("report.hostkit-nothing-opens", "x");
  // No opener at all: nothing on this system opens documents.
  EXPECT_EQ(OpenError(document), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  // The opener's own "no program for this type".
  InstallOpener(3);
  EXPECT_EQ(OpenError(document), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
}

TEST_F(Opener, ItsStatusesMapOntoShellResults) {
  const std::string document = m_docs.WriteFile("a.txt", "x");
  const struct { int status; DWORD thrown; } cases[] = {{0, 0}, {2, 2}, {4, 1156}, {1, 1156}};
  for (const auto& c : cases) {
    InstallOpener(c.status);
    EXPECT_EQ(OpenError(document), c.thrown) << "status " << c.status;
  }
}

TEST_F(Opener, TheDocumentIsOneLiteralArgument) {
  InstallOpener(0);
  const std::string document = m_docs.WriteFile("a b; $(touch pwned) | x && y.txt", "x");
  EXPECT_EQ(OpenError(document), 0u);
  EXPECT_EQ(Received(), "1\n" + document + "\n");
  EXPECT_FALSE(hk::test::FileExists(m_docs / "pwned"));
  // A name that would read as an option keeps a path in front.
  const std::string dash = "-v";
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(m_docs.Path());
  m_docs.WriteFile(dash, "x");
  EXPECT_EQ(OpenError(dash), 0u);
  std::filesystem::current_path(previous);
  EXPECT_EQ(Received(), "1\n./-v\n");
}
#endif

// A drop of the given names, as the system would hand it to a window.
HDROP MakeDrop(const std::vector<std::string>& names) {
#if defined(_WIN32)
  size_t bytes = sizeof(DROPFILES) + 2;  // the list ends in an empty name
  for (const std::string& n : names) bytes += n.size() + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* at = reinterpret_cast<char*>(header + 1);
  for (const std::string& n : names) {
    std::memcpy(at, n.c_str(), n.size() + 1);
    at += n.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
#else
  std::string list = "# dropped\r\n";
  for (const std::string& n : names) {
    list += "file://";
    for (unsigned char c : n) {
      if (std::isalnum(c) || std::strchr("/-_.~", c) != nullptr) {
        list += static_cast<char>(c);
      } else {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        list += escaped;
      }
    }
    list += "\r\n";
  }
  return CreateDropFromUriList(list.c_str());
#endif
}

bool DropIsReleased(HDROP drop) {
#if defined(_WIN32)
  return GlobalSize(drop) == 0;
#else
  return DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 0 && GetLastError() == ERROR_INVALID_HANDLE;
#endif
}

TEST(GetDroppedFileInfo, NamesInDropOrderWithDirectoryFlags) {
  hk::test::TempDir dir;
  const std::string second = dir.WriteFile("b 100%.txt", "b");
  const std::string first = dir.WriteFile("a.txt", "a");
  const std::string folder = dir / "folder";
  std::filesystem::create_directory(folder);
  HDROP drop = MakeDrop({second, first, folder});
  ASSERT_NE(drop, nullptr);

  CStringArray names;
  CWordArray flags;
  for (const char* old : {"old 1", "old 2", "old 3", "old 4"}) names.Add(old);
  for (int i = 0; i < 5; ++i) flags.Add(7);
  GetDroppedFileInfo(drop, names, flags);

  ASSERT_EQ(names.GetSize(), 3);
  EXPECT_EQ(std::string(names[0]), second);
  EXPECT_EQ(std::string(names[1]), first);
  EXPECT_EQ(std::string(names[2]), folder);
  ASSERT_EQ(flags.GetSize(), 3);
  EXPECT_EQ(flags[0], 0);
  EXPECT_EQ(flags[1], 0);
  EXPECT_EQ(flags[2], 1);
  EXPECT_TRUE(DropIsReleased(drop));
}

TEST(DragQueryFile, CountLengthAndCutCopy) {
  HDROP drop = MakeDrop({"/first/name.txt", "/x"});
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileA(drop, 0, nullptr, 0), 15u);
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 6), 5u);
  EXPECT_STREQ(buffer, "/firs");
  EXPECT_EQ(DragQueryFileA(drop, 1, buffer, sizeof buffer), 2u);
  EXPECT_STREQ(buffer, "/x");
  EXPECT_EQ(DragQueryFileA(drop, 2, buffer, sizeof buffer), 0u);
  DragFinish(drop);
}

// Whether this Windows is Wine, whose DragQueryFileA counts at least one name in every drop.
bool UnderWine() {
#if defined(_WIN32)
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

TEST(CreateDropFromUriList, AListWithoutLocalFilesGivesAnEmptyDrop) {
  HDROP drop = CreateDropFromUriList("# nothing\r\nhttps://example.com/\r\n");
  ASSERT_NE(drop, nullptr);
  if (UnderWine()) {
    DragFinish(drop);
    GTEST_SKIP() << "Wine's DragQueryFileA reads one (empty) name from a drop without names";
  }
  CStringArray names;
  CWordArray flags;
  names.Add("old");
  flags.Add(1);
  GetDroppedFileInfo(drop, names, flags);
  EXPECT_EQ(names.GetSize(), 0);
  EXPECT_EQ(flags.GetSize(), 0);
  EXPECT_TRUE(DropIsReleased(drop));
}

// This machine's name as its resolver knows it.
std::string ThisHost() {
#if defined(_WIN32)
  char host[256] = {};
  DWORD size = sizeof host;
  GetComputerNameExA(ComputerNameDnsHostname, host, &size);
#else
  char host[256] = {};
  gethostname(host, sizeof host - 1);
#endif
  return host;
}

// A name with the separators of the system: a drop holds names as the system writes them.
std::string Native(std::string name) {
  for (char& c : name)
    if (c == '/') c = hk::kPathSeparator;
  return name;
}

TEST(CreateDropFromUriList, KeepsLocalFilesInListOrder) {
  const std::string list = std::string("#comment\nfile:///tmp/a%20b\r\n") +
                           "http://example.com/x\r\n" +
                           "file://localhost/tmp/%E2%82%AC\n" +
                           "file://elsewhere.example/tmp/remote\n" +
                           "FILE://" + ThisHost() + "/tmp/mine#fragment\n" +
                           "file:///tmp/nul%00name\n" +
                           "  file:///tmp/bad%zz%4  \n" +
                           "file:///C:/My%20Files/a.txt\n" +
                           "\n";
  HDROP drop = CreateDropFromUriList(list.c_str());
  ASSERT_NE(drop, nullptr);
  CStringArray names;
  CWordArray flags;
  GetDroppedFileInfo(drop, names, flags);
  ASSERT_EQ(names.GetSize(), 5);
  EXPECT_EQ(std::string(names[0]), Native("/tmp/a b"));
  EXPECT_EQ(std::string(names[1]), Native("/tmp/\xE2\x82\xAC"));
  EXPECT_EQ(std::string(names[2]), Native("/tmp/mine"));
  EXPECT_EQ(std::string(names[3]), Native("/tmp/bad%zz%4"));
  // Where names carry drives, the URI's drive form is a drive.
  EXPECT_EQ(std::string(names[4]), hk::kPathSeparator == '\\' ? "C:\\My Files\\a.txt" : "/C:/My Files/a.txt");
  EXPECT_EQ(flags[0] + flags[1] + flags[2] + flags[3] + flags[4], 0);

  EXPECT_EQ(CreateDropFromUriList(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
