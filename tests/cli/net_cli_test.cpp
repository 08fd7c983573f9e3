// hostkit net as a user runs it: tab-separated listings of a name service of 2,000 accounts
// (nss_wrapper), the domain and its controller, and the exit statuses.
#include "tests/netsec/test_host.h"
#include "tests/support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

// "hostkit net ARGUMENTS", with on POSIX the environment changes `prefix` holds ("NAME=value
// ..."). The provider is the one the tool finds by itself (HOSTKIT_PROVIDER_DIR is removed
// unless `prefix` sets it).
ToolRun RunNet(const std::string& arguments, const std::string& prefix = std::string()) {
  return RunTool("net " + arguments, "env -u HOSTKIT_PROVIDER_DIR " + prefix);
}

using NetCli = hk::test::ToolTest;

TEST_F(NetCli, MalformedCommandLinesExitWithTwo) {
  for (const char* arguments : {"", "no-such-listing", "members", "users a b", "groups a b", "dc a b",
                                "domains extra", "members staff here extra"})
    EXPECT_EQ(RunNet(arguments).status, 2) << "net " << arguments;
}

#if !defined(_WIN32)

class NetCliOnTestHost : public NetCli {
 protected:
  // The environment of the test host as a command prefix.
  std::string Prefix(bool withDirectory = true) const {
    std::string prefix;
    for (const auto& [name, value] : m_host.Variables(withDirectory)) prefix += name + "='" + value + "' ";
    return prefix;
  }

  hk::test::netsec::TestHost m_host;
};

using hk::test::netsec::Directory;

TEST_F(NetCliOnTestHost, UsersAreNameTabFullNameLines) {
  std::string expected;
  for (const auto* user : Directory().NormalUsers()) expected += user->name + "\t" + user->fullName + "\n";
  const ToolRun r = RunNet("users", Prefix());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected);  // 2,000 lines, several pages of the network API
}

TEST_F(NetCliOnTestHost, GroupsAndMembersAreNameTabTextLines) {
  const ToolRun g = RunNet("groups", Prefix());
  EXPECT_EQ(g.out.substr(0, g.out.find('\n') + 1), Directory().GroupNames().front() + "\t\n");  // no comments
  const ToolRun m = RunNet("members staff", Prefix());
  EXPECT_EQ(m.status, 0);
  const std::string first = Directory().MembersOf("staff").front();
  EXPECT_EQ(m.out.substr(0, m.out.find('\n') + 1), first + "\t" + Directory().FullNameOf(first) + "\n");
}

TEST_F(NetCliOnTestHost, DomainsAndController) {
  EXPECT_EQ(RunNet("domains", Prefix()).out, "EXAMPLE.TEST\nLABS\n");
  const ToolRun c = RunNet("dc", Prefix());
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out, "\\\\dc1.example.test\n");
  EXPECT_EQ(RunNet("dc LABS", Prefix()).status, 1);  // names no controller
}

TEST_F(NetCliOnTestHost, FailedListingsExitWithOneAndPrintNothing) {
  for (const char* arguments : {"users '\\\\elsewhere'", "groups elsewhere", "members no-such-group"}) {
    const ToolRun r = RunNet(arguments, Prefix());
    EXPECT_EQ(r.status, 1) << arguments;
    EXPECT_EQ(r.out, "") << arguments;
  }
}

TEST_F(NetCliOnTestHost, WithoutTheNetworkAPIAListingFails) {
  for (const char* listing : {"users", "domains"})
    EXPECT_EQ(RunNet(listing, Prefix() + "HOSTKIT_PROVIDER_DIR='" + m_host.EmptyDir() + "' ").status, 1) << listing;
}

#endif

}  // namespace
