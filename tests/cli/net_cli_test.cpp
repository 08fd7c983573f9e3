// hostkit net as a user runs it: tab-separated listings of a name service of 2,000 accounts
// (nss_wrapper), the domain and its controller, and the exit statuses. Its usage errors:
// cli_test.cpp.
#include "tests/netsec/directory_data.h"
#include "tests/support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#if !defined(_WIN32)
#  include <sys/stat.h>

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

// "hostkit net ARGUMENTS" with the environment changes `prefix` holds ("NAME=value ..."). The
// provider is the one the tool finds by itself (HOSTKIT_PROVIDER_DIR is removed unless `prefix`
// sets it).
ToolRun RunNet(const std::string& arguments, const std::string& prefix = std::string()) {
  return RunTool("net " + arguments, "env -u HOSTKIT_PROVIDER_DIR " + prefix);
}

using hk::test::netsec::Directory;

// The host the directory cases describe, in a temporary folder: passwd and group files for
// nss_wrapper, login.defs and the domain configuration under etc/ (HOSTKIT_SYSCONF_DIR).
class NetCliOnTestHost : public hk::test::ToolTest {
 protected:
  NetCliOnTestHost() {
    hk::test::netsec::WriteTestHost(m_dir);
    mkdir((m_dir / "empty").c_str(), 0700);
    m_prefix = "HOSTKIT_SYSCONF_DIR='" + m_dir / "etc" + "' LD_PRELOAD='" + hk::test::netsec::NssWrapperPreload() +
               "' NSS_WRAPPER_PASSWD='" + m_dir.WriteFile("passwd", Directory().PasswdText()) +
               "' NSS_WRAPPER_GROUP='" + m_dir.WriteFile("group", Directory().GroupText()) + "' ";
  }
  std::string Prefix() const { return m_prefix; }
  // A folder without a provider library.
  std::string EmptyDir() const { return m_dir / "empty"; }

  hk::test::TempDir m_dir;
  std::string m_prefix;
};

// The listings a line each; the domains of the test host and the controller its sssd.conf names.
TEST_F(NetCliOnTestHost, ListingsAreLinesNameTabFullName) {
  std::string expected;
  for (const auto* user : Directory().NormalUsers()) expected += user->name + "\t" + user->fullName + "\n";
  const ToolRun r = RunNet("users", Prefix());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);  // 2,000 lines, several pages of the network API
  EXPECT_EQ(RunNet("domains", Prefix()).out, "EXAMPLE.TEST\nLABS\n");
  EXPECT_EQ(RunNet("dc", Prefix()).out, "\\\\dc1.example.test\n");
  EXPECT_EQ(RunNet("dc LABS", Prefix()).status, 1);  // names no controller
}

TEST_F(NetCliOnTestHost, FailedListingsExitWithOneAndPrintNothing) {
  const ToolRun r = RunNet("members no-such-group", Prefix());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  for (const char* listing : {"users", "domains"})  // without a network API
    EXPECT_EQ(RunNet(listing, Prefix() + "HOSTKIT_PROVIDER_DIR='" + EmptyDir() + "' ").status, 1) << listing;
}

}  // namespace

#endif
