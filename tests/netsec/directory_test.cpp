// The listings against a name service of 2,000 accounts and some 600 groups (nss_wrapper), and
// a process whose network API is missing. The network API is bound once, at
// start-up, and nss_wrapper must be preloaded before a process starts, so each case runs in a
// child process of this suite: the parent sets the stage, the child (a DISABLED_ test) asserts.
#include "tests/netsec/directory_data.h"
#include "tests/support/capture.h"
#include "tests/support/child.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include "netsec/netapi.h"

#if !defined(_WIN32)
#  include <malloc.h>

#  include <cstdlib>
#  include <fstream>

namespace {

using hk::test::Strings;
using hk::test::netsec::Directory;
using hk::test::netsec::NssWrapperPreload;
using Names = std::vector<std::string>;

// Runs the child's tests with the provider of `providerDir` on the host the cases describe, in
// a temporary folder: login.defs and the domain configuration under etc/ (HOSTKIT_SYSCONF_DIR),
// passwd and group files for nss_wrapper.
void ExpectChildPasses(const std::string& filter, const std::string& providerDir) {
  hk::test::TempDir dir;
  hk::test::netsec::WriteTestHost(dir);
  const hk::test::Environment env = {{"HOSTKIT_SYSCONF_DIR", dir / "etc"},
                                     {"HOSTKIT_PROVIDER_DIR", providerDir},
                                     {"LD_PRELOAD", NssWrapperPreload()},
                                     {"NSS_WRAPPER_PASSWD", dir.WriteFile("passwd", Directory().PasswdText())},
                                     {"NSS_WRAPPER_GROUP", dir.WriteFile("group", Directory().GroupText())}};
  hk::test::TestChild child(filter, env);
  EXPECT_TRUE(child.Passed()) << filter << " in " << providerDir << ":\n" << child.Output();
}

TEST(DirectoryCases, ListingsOfTheNameServiceAndWithoutAProvider) {
  ExpectChildPasses("DISABLED_InDirectory.*", HOSTKIT_NETSEC_PROVIDER_DIR);
  // A folder without one. (A library lacking an entry point is not bound at all: the frame
  // suite's BaseAPI cases.)
  ExpectChildPasses("DISABLED_WithoutNetworkAPI.*", "/nonexistent");
}

// ---- run in the child processes ------------------------------------------------------------

template <typename Call>
DWORD StatusOf(Call call) {
  return hk::test::ErrorOf<CNuOSException>(call);
}

TEST(DISABLED_InDirectory, UsersAreTheNormalAccountsInNameOrderEachOnceAppended) {
  ASSERT_TRUE(CNuNetSecuritySupport::IsAvailable());
  Names names = {"kept"}, fullNames = {"kept too"};
  for (const auto* user : Directory().NormalUsers()) {
    names.push_back(user->name);
    fullNames.push_back(user->fullName);
  }
  ASSERT_EQ(names.size(), 2001u);
  CNuNetSecuritySupport net;
  CStringArray listed, listedFullNames;
  listed.Add("kept");
  listedFullNames.Add("kept too");
  net.EnumerateDomainUsers(nullptr, listed, listedFullNames);
  EXPECT_EQ(Strings(listed), names);
  EXPECT_EQ(Strings(listedFullNames), fullNames);
}

// Every buffer the network API hands out is given back: the heap does not grow with listings.
TEST(DISABLED_InDirectory, ListingsGiveBackEveryBuffer) {
  CNuNetSecuritySupport net;
  const auto list = [&net] {
    CStringArray names, fullNames;
    net.EnumerateDomainUsers(nullptr, names, fullNames);
  };
  const auto used = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
  list();
  const size_t before = used();
  for (int i = 0; i < 20; ++i) list();
  EXPECT_LT(used(), before + (1u << 20));
}

TEST(DISABLED_InDirectory, GroupsAreEveryGroupInNameOrderWithEmptyComments) {
  CNuNetSecuritySupport net;
  CStringArray names, comments;
  net.EnumerateGroups("\\\\localhost", names, comments);
  EXPECT_EQ(Strings(names), Directory().GroupNames());
  EXPECT_EQ(Strings(comments), Names(Directory().GroupNames().size()));
}

// Listed members with an account and primary-group members, each once; among the groups
// "crowd" and its member with the long record are larger than the first buffers the provider
// reads with, "broken" lists a member without an account, and one is named in Latin-1.
TEST(DISABLED_InDirectory, MembersJoinTheListAndThePrimaryGroupEachOnce) {
  ASSERT_GT(Directory().FullNameOf(hk::test::netsec::Numbered("user", 4, hk::test::netsec::kLongGecos)).size(), 16384u);
  ASSERT_EQ(Directory().MembersOf("staff").size(), 999u);  // 710 listed, 299 by primary group, ten both
  CNuNetSecuritySupport net;
  for (const char* group : {"staff", "grp005", "root", "crowd", "broken", hk::test::netsec::kLatin1Name}) {
    SCOPED_TRACE(group);
    CStringArray names, fullNames;
    EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, group, names, fullNames); }), 0u);
    const Names members = Directory().MembersOf(group);
    Names expectedFullNames;
    for (const std::string& member : members) expectedFullNames.push_back(Directory().FullNameOf(member));
    EXPECT_EQ(Strings(names), members);
    EXPECT_EQ(Strings(fullNames), expectedFullNames);
  }
}

// A member just listed is answered from the listing's snapshot, once: a change to its record
// meanwhile shows only in the next answer.
TEST(DISABLED_InDirectory, MembersJustListedAreAnsweredFromTheListingOnce) {
  const std::string member = Directory().MembersOf("grp007").front();
  const std::basic_string<WCHAR> user(member.begin(), member.end());
  DWORD read = 0, total = 0;
  DWORD_PTR resume = 0;
  LPBYTE buffer = nullptr;
  ASSERT_EQ(CNuNetAPI::NetGroupGetUsers(nullptr, u"grp007", 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume),
            0u);
  CNuNetAPI::NetApiBufferFree(buffer);
  // Renamed in a new file, as an administrator's tool writes one.
  hk::test::netsec::TestDirectory changed = Directory();
  for (auto& u : changed.users) u.gecos = u.name == member ? "Renamed" : u.gecos;
  const std::string passwd = std::getenv("NSS_WRAPPER_PASSWD");
  std::ofstream(passwd + ".new", std::ios::binary) << changed.PasswdText();
  ASSERT_EQ(std::rename((passwd + ".new").c_str(), passwd.c_str()), 0);
  for (const std::string& expected : {Directory().FullNameOf(member), std::string("Renamed")}) {
    LPBYTE info = nullptr;
    ASSERT_EQ(CNuNetAPI::NetUserGetInfo(nullptr, user.c_str(), 10, &info), 0u);
    EXPECT_EQ(CString(reinterpret_cast<USER_INFO_10*>(info)->usri10_full_name), expected.c_str());
    CNuNetAPI::NetApiBufferFree(info);
  }
}

TEST(DISABLED_InDirectory, OtherServersAndMissingGroupsThrowTheirStatus) {
  CNuNetSecuritySupport net;
  CStringArray a, b;
  EXPECT_EQ(StatusOf([&] { net.EnumerateDomainUsers("\\\\elsewhere", a, b); }), static_cast<DWORD>(NERR_InvalidComputer));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroups("elsewhere", a, b); }), static_cast<DWORD>(NERR_InvalidComputer));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, "no-such-group", a, b); }),
            static_cast<DWORD>(NERR_GroupNotFound));
  EXPECT_EQ(a.GetSize() + b.GetSize(), 0);
}

// Every listing returns and leaves the arrays as they were.
TEST(DISABLED_WithoutNetworkAPI, EverythingIsQuietlyEmpty) {
  EXPECT_FALSE(CNuNetAPI::IsAvailable());
  EXPECT_FALSE(CNuNetSecuritySupport::IsAvailable());
  CNuNetSecuritySupport net;
  CStringArray a, b;
  EXPECT_TRUE(net.GetDomainController("EXAMPLE.TEST").IsEmpty());
  net.EnumerateDomains(b);
  EXPECT_EQ(b.GetSize(), 0);
  a.Add("untouched");
  EXPECT_EQ(StatusOf([&] { net.EnumerateDomainUsers(nullptr, a, b); }), 0u);
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroups(nullptr, a, b); }), 0u);
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, "staff", a, b); }), 0u);
  EXPECT_EQ(Strings(a), Names{"untouched"});
  EXPECT_EQ(b.GetSize(), 0);
}

}  // namespace

#else

TEST(DirectoryCases, NameServiceDirectory) {
  GTEST_SKIP() << "the directory provider and nss_wrapper exist on POSIX only; the Windows build "
                  "lists what the system's network API answers";
}

#endif
