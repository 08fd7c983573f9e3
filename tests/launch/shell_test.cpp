// Shell hand-offs: opening documents and reading drops.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include "platform/win32.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

DWORD OpenError(const std::string& document) {
  return hk::test::ErrorOf<CNuOSException>([&] { OpenFileAssociation(document.c_str()); });
}

TEST(OpenFileAssociation, AMissingDocumentOrATypeNothingOpensThrows) {
  hk::test::TempDir dir;
  EXPECT_EQ(OpenError(dir / "missing.txt"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
#if defined(_WIN32)
  EXPECT_EQ(OpenError(dir.WriteFile("report.hostkit-nothing-opens", "x")), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
#endif
}

#if !defined(_WIN32)
// The desktop's opener is looked for on PATH; a PATH holding only a test directory decides
// what, if anything, answers.
class Opener : public ::testing::Test {
 protected:
  // An opener that records its arguments and ends with 'status'.
  void InstallOpener(int status) {
    const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + m_bin.Path() + "got'\nexit " +
                               std::to_string(status) + "\n";
    std::filesystem::permissions(m_bin.WriteFile("xdg-open", script), std::filesystem::perms::owner_all);
  }

  hk::test::TempDir m_bin, m_docs;
  hk::test::ScopedEnv m_path{"PATH", m_bin.Path().c_str()};
};

TEST_F(Opener, ItsStatusesMapOntoShellResults) {
  const std::string document = m_docs.WriteFile("report.hostkit-nothing-opens", "x");
  // No opener at all: nothing on this system opens documents.
  EXPECT_EQ(OpenError(document), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  // The opener's own "no program for this type" (3), "no such file" (2), other failures.
  const struct {
    int status;
    DWORD thrown;
  } cases[] = {{0, 0}, {3, ERROR_NO_ASSOCIATION}, {2, ERROR_FILE_NOT_FOUND}, {4, 1156}, {1, 1156}};
  for (const auto& c : cases) {
    InstallOpener(c.status);
    EXPECT_EQ(OpenError(document), c.thrown) << "status " << c.status;
  }
}

TEST_F(Opener, TheDocumentIsOneLiteralArgument) {
  InstallOpener(0);
  const std::string document = m_docs.WriteFile("a b; $(touch pwned) | x && y.txt", "x");
  EXPECT_EQ(OpenError(document), 0u);
  EXPECT_EQ(hk::test::ReadWholeFile(m_bin / "got"), "1\n" + document + "\n");
  EXPECT_FALSE(std::filesystem::exists(m_docs / "pwned"));
  // A name that would read as an option keeps a path in front.
  hk::test::ScopedCurrentDirectory cwd(m_docs.Path());
  m_docs.WriteFile("-v", "x");
  EXPECT_EQ(OpenError("-v"), 0u);
  EXPECT_EQ(hk::test::ReadWholeFile(m_bin / "got"), "1\n./-v\n");
}
#endif

// A name with the separators of the system: a drop holds names as the system writes them.
std::string Native(std::string name) {
  for (char& c : name)
    if (c == '/') c = hk::kPathSeparator;
  return name;
}

// A drop of the given names, as a desktop hands one over: a list of file URIs.
HDROP MakeDrop(const std::vector<std::string>& names) {
  std::string list = "# dropped\r\n";
  for (const std::string& name : names) {
    list += name[0] == '/' ? "file://" : "file:///";  // a drive is a path's first step
    for (unsigned char c : name) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      list += std::isalnum(c) || std::strchr("/-_.~:", c) != nullptr ? std::string(1, c) : c == '\\' ? "/" : escaped;
    }
    list += "\r\n";
  }
  return CreateDropFromUriList(list.c_str());
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
  const std::string second = dir.WriteFile("b 100%.txt", "b"), first = dir.WriteFile("a.txt", "a");
  const std::string folder = dir / "folder";
  std::filesystem::create_directory(folder);
  HDROP drop = MakeDrop({second, first, folder});
  ASSERT_NE(drop, nullptr);
  CStringArray names;
  CWordArray flags;
  names.Add("old");
  flags.Add(7);
  GetDroppedFileInfo(drop, names, flags);
  EXPECT_EQ(hk::test::Strings(names), (std::vector<std::string>{second, first, folder}));
  ASSERT_EQ(flags.GetSize(), 3);
  EXPECT_EQ((std::vector<int>{flags[0], flags[1], flags[2]}), (std::vector<int>{0, 0, 1}));
  EXPECT_TRUE(DropIsReleased(drop));
}

TEST(DragQueryFile, CutsANameToTheBuffer) {
  HDROP drop = MakeDrop({"/first/name.txt"});
  char buffer[6];
  EXPECT_EQ(DragQueryFileA(drop, 0, buffer, sizeof buffer), 5u);
  EXPECT_EQ(std::string(buffer), Native("/firs"));
  DragFinish(drop);
}

TEST(CreateDropFromUriList, KeepsLocalFilesInListOrder) {
  char host[256] = {};  // this machine's name as its resolver knows it
  DWORD size = sizeof host;
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, host, &size));
  const std::string list = std::string("#comment\nfile:///tmp/a%20b\r\n") + "http://example.com/x\r\n" +
                           "file://localhost/tmp/%E2%82%AC\n" + "file://elsewhere.example/tmp/remote\n" + "FILE://" +
                           host + "/tmp/mine#fragment\n" + "file:///tmp/nul%00name\n" + "  file:///tmp/bad%zz%4  \n" +
                           "file:///C:/My%20Files/a.txt\n" + "\n";
  HDROP drop = CreateDropFromUriList(list.c_str());
  ASSERT_NE(drop, nullptr);
  CStringArray names;
  CWordArray flags;
  GetDroppedFileInfo(drop, names, flags);
  // Where names carry drives, the URI's drive form is a drive.
  const std::string drive = hk::kPathSeparator == '\\' ? "C:\\My Files\\a.txt" : "/C:/My Files/a.txt";
  EXPECT_EQ(hk::test::Strings(names), (std::vector<std::string>{Native("/tmp/a b"), Native("/tmp/\xE2\x82\xAC"),
                                                                Native("/tmp/mine"), Native("/tmp/bad%zz%4"), drive}));
  EXPECT_EQ(CreateDropFromUriList(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // A list without local files is still a drop, one without names.
  HDROP none = CreateDropFromUriList("# nothing\r\nhttps://example.com/\r\n");
  ASSERT_NE(none, nullptr);
  DragFinish(none);
}

}  // namespace
