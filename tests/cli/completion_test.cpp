// The tool's bash completion and manual page, both made at build time from its help texts:
// the completion offers exactly the tool's commands, and the sub-commands and options of each
// where a user types them; the manual page is clean roff.
#include "tests/support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using hk::test::RunTool;

#if defined(_WIN32)
constexpr bool kHasBash = false;
#  define popen _popen
#  define pclose _pclose
#else
constexpr bool kHasBash = true;
#endif

class Completion : public hk::test::ToolTest {
 protected:
  void SetUp() override {
    if (!kHasBash) GTEST_SKIP() << "bash completion and manual page are made by native builds";
    ToolTest::SetUp();
  }

  static std::string Share() { return std::string(std::getenv("HOSTKIT_TEST_BINARY_DIR")) + "/share/"; }

  static std::string Run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
      pclose(pipe);
    }
    return out;
  }

  // What the completion offers for a command line typed up to the cursor (a trailing space
  // starts a new, empty word). The script reaches bash as a quoted here-document, unexpanded.
  static std::set<std::string> Complete(const std::string& typed) {
    std::vector<std::string> words;
    std::istringstream split(typed);
    for (std::string word; split >> word;) words.push_back(word);
    if (typed.back() == ' ') words.emplace_back();
    std::string quoted;
    for (const std::string& word : words) quoted += "'" + word + "' ";
    const std::string script = "source '" + Share() + "bash-completion/completions/hostkit'\nCOMP_WORDS=(" +
                               quoted + ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
                               "\n_hostkit\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
    const std::vector<std::string> lines = hk::test::Lines(Run("bash <<'END'\n" + script + "END\n"));
    std::set<std::string> offered(lines.begin(), lines.end());
    offered.erase("");
    return offered;
  }
};

TEST_F(Completion, OffersTheToolsCommands) {
  std::set<std::string> expected = {"--help", "--version"};
  std::istringstream help(RunTool("--help").out);
  bool listed = false;
  for (std::string line; std::getline(help, line);) {
    if (line == "commands:") listed = true;
    else if (listed && !line.empty()) expected.insert(line.substr(0, line.find(' ', 2)).substr(2));
  }
  ASSERT_GT(expected.size(), 10u);
  EXPECT_EQ(Complete("hostkit "), expected);
  EXPECT_EQ(Complete("hostkit re"), (std::set<std::string>{"readonly", "reg"}));
}

TEST_F(Completion, OffersSubCommandsAndOptionsWhereTheyStand) {
  const struct {
    const char* typed;
    std::set<std::string> offered;
  } cases[] = {
      {"hostkit reg ", {"delete", "delete-entry", "export", "get", "import", "list", "put"}},
      {"hostkit error ", {"os", "shell"}},
      {"hostkit store ROOT ", {"free", "ids", "list", "path", "put"}},
      {"hostkit store ", {}},    // the root is a file name
      {"hostkit reg put KEY NAME --d", {"--dword"}},
      {"hostkit path canon --", {"--help", "--keep-case"}},
      {"hostkit mail send --t", {"--text", "--text-file", "--title", "--to"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Complete(c.typed), c.offered) << c.typed;
}

TEST_F(Completion, ManualPageIsCleanRoff) {
  const std::string page = Share() + "man/man1/hostkit.1";
  const std::string warnings = Run("groff -man -Tutf8 -ww -z '" + page + "' 2>&1");
  EXPECT_EQ(warnings, "");
  const std::string text = Run("groff -man -Tutf8 '" + page + "' 2>/dev/null");
  EXPECT_NE(text.find("hostkit store ROOT path ID"), std::string::npos);
}

}  // namespace
