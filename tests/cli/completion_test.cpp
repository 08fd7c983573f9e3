// The tool's bash completion, made at build time from its help texts: it offers the tool's
// commands, and the sub-commands and options of each where a user types them.
#include "tests/support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

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
    if (!kHasBash) GTEST_SKIP() << "bash completion is made by native builds";
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

TEST_F(Completion, OffersCommandsSubCommandsAndOptionsWhereTheyStand) {
  const struct {
    const char* typed;
    std::set<std::string> offered;
  } cases[] = {
      {"hostkit re", {"readonly", "reg"}},
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

}  // namespace
