// "hostkit reg" as a user runs it: each kind of value written and read back as the tool shows
// it, and the exit statuses.
#include "tests/support/fixtures.h"

#include <string>

namespace {

// The tool with a registry store of the test's own (POSIX; on Windows, the system's registry).
class RegCli : public hk::test::ToolTest {
 protected:
  hk::test::ToolRun Reg(const std::string& arguments) {
    return hk::test::RunTool("reg " + arguments, "HOSTKIT_REGISTRY_DIR='" + m_store.Path() + "'");
  }
  hk::test::TempDir m_store;
};

TEST_F(RegCli, ValuesReadBackAsTheToolShowsThem) {
  const std::string key = "\"HKCU\\Software\\HostkitRegCli\" ";
  const struct {
    const char* put;
    const char* shown;
  } rows[] = {{"--sz \"two words\"", "two words\n"}, {"--dword 4294967295", "4294967295\n"},
              {"--binary 01,ff:2A", "01,ff,2a\n"}};
  for (const auto& row : rows) {
    EXPECT_EQ(Reg("put " + key + "v " + row.put).status, 0) << row.put;
    const hk::test::ToolRun r = Reg("get " + key + "v");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, row.shown) << row.put;
  }
  EXPECT_EQ(Reg("get " + key + "missing").status, 1);
  for (const char* usage : {"v --binary 0f1", "v --sz a --dword 1", "v"})
    EXPECT_EQ(Reg("put " + key + usage).status, 2) << usage;
  EXPECT_EQ(Reg("delete " + key + "--recursive").status, 0);
}

}  // namespace
