// hostkit net as a user runs it: tab-separated listings of a name service of 2,000 accounts
// (nss_wrapper), the domain and its controller, and the exit statuses.
#include "tests/netsec/directory_data.h"
#include "tests/support/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

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

using hk::test::netsec::Directory;

// What the tool preloads: nss_wrapper, behind the address sanitizer's run-time when this process
// carries one (the tool of the same build does too, and the run-time must come first).
std::string NssWrapperPreload() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    const size_t path = line.find('/');
    if (path != std::string::npos && line.find("libasan.so", path) != std::string::npos)
      return line.substr(path) + " libnss_wrapper.so";
  }
  return "libnss_wrapper.so";
}

// The host the directory cases describe, in a temporary folder: passwd and group files for
// nss_wrapper, login.defs and the domain configuration under etc/ (HOSTKIT_SYSCONF_DIR).
class NetCliOnTestHost : public NetCli {
 protected:
  NetCliOnTestHost() {
    for (const char* folder : {"etc", "etc/sssd", "etc/samba", "empty"}) mkdir((m_dir / folder).c_str(), 0700);
    m_dir.WriteFile("etc/login.defs", "UID_MIN " + std::to_string(hk::test::netsec::kUidMin) + "\nUID_MAX " +
                                          std::to_string(hk::test::netsec::kUidMax) + "\n");
    m_dir.WriteFile("etc/sssd/sssd.conf",
                    "[sssd]\nservices = nss, pam\ndomains = EXAMPLE.TEST\n\n"
                    "[domain/EXAMPLE.TEST]\nid_provider = ad\nad_server = dc1.example.test, _srv_\n");
    m_dir.WriteFile("etc/samba/smb.conf", "[global]\n   workgroup = LABS\n   security = user\n");
    m_prefix = "HOSTKIT_SYSCONF_DIR='" + m_dir / "etc" + "' LD_PRELOAD='" + NssWrapperPreload() +
               "' NSS_WRAPPER_PASSWD='" + m_dir.WriteFile("passwd", Directory().PasswdText()) +
               "' NSS_WRAPPER_GROUP='" + m_dir.WriteFile("group", Directory().GroupText()) + "' ";
  }
  std::string Prefix() const { return m_prefix; }
  // A folder without a provider library.
  std::string EmptyDir() const { return m_dir / "empty"; }

  hk::test::TempDir m_dir;
  std::string m_prefix;
};


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
    EXPECT_EQ(RunNet(listing, Prefix() + "HOSTKIT_PROVIDER_DIR='" + EmptyDir() + "' ").status, 1) << listing;
}

#endif

}  // namespace
