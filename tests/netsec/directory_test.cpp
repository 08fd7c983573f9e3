// The listings against a name service of 2,000 accounts and some 600 groups (nss_wrapper), and
// a process whose network API is missing or incomplete. The network API is bound once, at
// start-up, and nss_wrapper must be preloaded before a process starts, so each case runs in a
// child process of this suite: the parent sets the stage, the child (a DISABLED_ test, run on
// purpose) asserts.
#include "tests/netsec/test_host.h"
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include "netsec/netapi.h"

#if !defined(_WIN32)
#  include <fcntl.h>
#  include <malloc.h>
#  include <spawn.h>
#  include <sys/stat.h>
#  include <sys/wait.h>
#  include <unistd.h>

#  include <cstdlib>
#  include <cstring>

extern char** environ;

namespace {

using hk::test::netsec::Directory;

std::vector<std::string> Strings(const CStringArray& array, int first = 0, int count = -1) {
  const std::vector<std::string> all = hk::test::Strings(array);
  return {all.begin() + first, count < 0 ? all.end() : all.begin() + first + count};
}

std::basic_string<WCHAR> Wide(const std::string& text) {
  std::basic_string<WCHAR> wide(text.size() + 1, 0);
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return wide;
}

// Runs this suite's DISABLED_ tests matching `filter` in a child process with the given
// environment changes; the result is the child's exit status, its output in `output`.
int RunChild(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& env,
             const std::string& outputFile, std::string& output) {
  std::vector<std::string> variables;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : env) replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced) variables.push_back(entry);
  }
  for (const auto& [name, value] : env) variables.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& v : variables) envp.push_back(v.data());
  envp.push_back(nullptr);

  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size())));
  std::string filterArg = "--gtest_filter=" + filter;
  std::string disabledArg = "--gtest_also_run_disabled_tests";
  char* argv[] = {self.data(), filterArg.data(), disabledArg.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  output = hk::test::ReadWholeFile(outputFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The number of tests a child reported as passed; 0 when it reported none.
int PassedCount(const std::string& output) {
  const std::string mark = "[  PASSED  ] ";
  const size_t at = output.rfind(mark);
  return at == std::string::npos ? 0 : std::atoi(output.c_str() + at + mark.size());
}

class DirectoryCases : public ::testing::Test {
 protected:
  // Runs the child's tests; they must all pass, and there must be some.
  void ExpectChildPasses(const std::string& filter, const std::string& providerDir, bool withDirectory) {
    hk::test::netsec::Environment env = m_host.Variables(withDirectory);
    env.push_back({"HOSTKIT_PROVIDER_DIR", providerDir});
    std::string output;
    const int status = RunChild(filter, env, m_host.Dir() / "child.log", output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_GT(PassedCount(output), 0) << output;
  }

  hk::test::netsec::TestHost m_host;
};

TEST_F(DirectoryCases, ListingsOfTheNameService) {
  ExpectChildPasses("DISABLED_InDirectory.*", HOSTKIT_NETSEC_PROVIDER_DIR, true);
}

TEST_F(DirectoryCases, NoProviderLibrary) {
  ExpectChildPasses("DISABLED_WithoutNetworkAPI.*", m_host.EmptyDir(), true);
}

TEST_F(DirectoryCases, ProviderLackingAnEntryPoint) {
  ExpectChildPasses("DISABLED_WithoutNetworkAPI.*", HOSTKIT_NETSEC_PARTIAL_PROVIDER_DIR, true);
}

TEST_F(DirectoryCases, ProviderAskingForMoreWithoutEntries) {
  ExpectChildPasses("DISABLED_StuckNetworkAPI.*", HOSTKIT_NETSEC_STUCK_PROVIDER_DIR, false);
}

// ---- run in the child processes ------------------------------------------------------------

// The status a call ended with: what the CNuOSException it threw carries, or 0.
template <typename Call>
DWORD StatusOf(Call call) {
  return hk::test::ErrorOf<CNuOSException>(call);
}

TEST(DISABLED_InDirectory, UsersAreTheNormalAccountsInNameOrderEachOnce) {
  ASSERT_TRUE(CNuNetAPI::IsAvailable());
  EXPECT_TRUE(CNuNetSecuritySupport::IsAvailable());
  const auto expected = Directory().NormalUsers();
  ASSERT_EQ(expected.size(), 2000u);
  CNuNetSecuritySupport net;
  CStringArray names;
  CStringArray fullNames;
  names.Add("kept");
  fullNames.Add("kept too");
  net.EnumerateDomainUsers(nullptr, names, fullNames);
  net.EnumerateDomainUsers(nullptr, names, fullNames);  // appends a second time
  ASSERT_EQ(names.GetSize(), 1 + 2 * 2000);
  ASSERT_EQ(fullNames.GetSize(), names.GetSize());
  EXPECT_EQ(names[0], "kept");
  EXPECT_EQ(fullNames[0], "kept too");
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 2000; ++i) {
      const int at = 1 + round * 2000 + i;
      ASSERT_EQ(std::string(names[at]), expected[static_cast<size_t>(i)]->name) << at;
      ASSERT_EQ(std::string(fullNames[at]), expected[static_cast<size_t>(i)]->fullName) << at;
    }
  // Edges of the login.defs range are in, accounts beyond them and system accounts are not;
  // empty and comma-separated GECOS fields read as expected.
  const auto listed = Strings(names, 1, 2000);
  for (const char* in : {"edge-min", "edge-max"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), in), listed.end()) << in;
  for (const char* out : {"root", "daemon", "below", "above", "nobody"})
    EXPECT_EQ(std::find(listed.begin(), listed.end(), out), listed.end()) << out;
  const auto at = [&](const char* name) {
    return std::string(fullNames[1 + static_cast<int>(std::find(listed.begin(), listed.end(), name) - listed.begin())]);
  };
  EXPECT_EQ(at("user0000"), "");
  EXPECT_EQ(at("user0008"), "Name 8");  // its first record, not the second
  EXPECT_EQ(at("user0002"), "Zo\xC3\xAB \xC3\x9Cnal 2");
  EXPECT_EQ(at("edge-max"), "");
}

// Every buffer the network API hands out is given back: the heap does not grow with listings.
TEST(DISABLED_InDirectory, ListingsGiveBackEveryBuffer) {
  CNuNetSecuritySupport net;
  const auto list = [&net] {
    CStringArray names, fullNames;
    net.EnumerateDomainUsers(nullptr, names, fullNames);
  };
  const auto used = [] {
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;
  };
  list();
  const size_t before = used();
  for (int i = 0; i < 20; ++i) list();
  EXPECT_LT(used(), before + (1u << 20));
}

TEST(DISABLED_InDirectory, GroupsAreEveryGroupInNameOrderWithEmptyComments) {
  const auto expected = Directory().GroupNames();
  CNuNetSecuritySupport net;
  CStringArray names;
  CStringArray comments;
  net.EnumerateGroups(nullptr, names, comments);
  EXPECT_EQ(Strings(names), expected);
  ASSERT_EQ(comments.GetSize(), names.GetSize());
  for (int i = 0; i < comments.GetSize(); ++i) EXPECT_TRUE(comments[i].IsEmpty()) << i;
  net.EnumerateGroups("\\\\localhost", names, comments);
  ASSERT_EQ(names.GetSize(), 2 * static_cast<int>(expected.size()));
  EXPECT_EQ(Strings(names, static_cast<int>(expected.size()), static_cast<int>(expected.size())), expected);
  EXPECT_EQ(comments.GetSize(), names.GetSize());
}

TEST(DISABLED_InDirectory, MembersJoinTheListAndThePrimaryGroupEachOnce) {
  CNuNetSecuritySupport net;
  for (const char* group : {"staff", "grp005", "root"}) {
    const auto expected = Directory().MembersOf(group);
    CStringArray names;
    CStringArray fullNames;
    net.EnumerateGroupUsers(nullptr, group, names, fullNames);
    EXPECT_EQ(Strings(names), expected) << group;
    ASSERT_EQ(fullNames.GetSize(), names.GetSize()) << group;
    for (int i = 0; i < names.GetSize(); ++i)
      ASSERT_EQ(std::string(fullNames[i]), Directory().FullNameOf(static_cast<const char*>(names[i])))
          << group << " " << i;
  }
  // 710 listed, 299 by primary group (one of them a system account), ten of them both.
  EXPECT_EQ(Directory().MembersOf("staff").size(), 999u);
}

TEST(DISABLED_InDirectory, MembersWithoutAnAccountAreLeftOut) {
  CNuNetSecuritySupport net;
  CStringArray names;
  CStringArray fullNames;
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, "broken", names, fullNames); }), 0u);
  EXPECT_EQ(Strings(names), (std::vector<std::string>{"user0001", "user0002"}));
  EXPECT_EQ(Strings(fullNames), (std::vector<std::string>{"Name 1", "Zo\xC3\xAB \xC3\x9Cnal 2"}));
}

TEST(DISABLED_InDirectory, NamesThatAreNotUtf8ComeBackAsTheyWere) {
  const std::string name = hk::test::netsec::kLatin1Name;
  CNuNetSecuritySupport net;
  CStringArray groups;
  CStringArray comments;
  net.EnumerateGroups(nullptr, groups, comments);
  const auto listed = Strings(groups);
  EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end());
  // What was listed can be passed back in.
  CStringArray members;
  CStringArray fullNames;
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, name.c_str(), members, fullNames); }), 0u);
  EXPECT_EQ(Strings(members), std::vector<std::string>{name});
  EXPECT_EQ(Strings(fullNames), std::vector<std::string>{"Andr\xE9"});
}

TEST(DISABLED_InDirectory, MembersJustListedAreAnsweredFromTheListing) {
  // A member's record is read with the listing, and the look-up that follows it answers from
  // there, once: the name service is not asked again for every member.
  const std::string group = "grp007";
  const std::string member = Directory().MembersOf(group).front();
  DWORD read = 0, total = 0;
  DWORD_PTR resume = 0;
  LPBYTE buffer = nullptr;
  ASSERT_EQ(CNuNetAPI::NetGroupGetUsers(nullptr, Wide(group).c_str(), 0, &buffer, MAX_PREFERRED_LENGTH, &read,
                                        &total, &resume),
            0u);
  CNuNetAPI::NetApiBufferFree(buffer);
  // The service changes the member's full name meanwhile (a new file, as an administrator's
  // tool writes one).
  const std::string passwd = std::getenv("NSS_WRAPPER_PASSWD");
  const std::string before = hk::test::ReadWholeFile(passwd);
  auto replace = [&](const std::string& text) {
    std::FILE* f = std::fopen((passwd + ".new").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ASSERT_EQ(std::rename((passwd + ".new").c_str(), passwd.c_str()), 0);
  };
  std::string after = before;
  const size_t line = after.find("\n" + member + ":");
  ASSERT_NE(line, std::string::npos);
  const size_t gecos = after.find(':', after.find(':', after.find(':', after.find(':', line + 1) + 1) + 1) + 1);
  after.insert(gecos + 1, "Renamed,");
  replace(after);
  auto fullName = [&] {
    LPBYTE info = nullptr;
    std::string text = "?";
    if (CNuNetAPI::NetUserGetInfo(nullptr, Wide(member).c_str(), 10, &info) == 0)
      text = CString(reinterpret_cast<USER_INFO_10*>(info)->usri10_full_name);
    CNuNetAPI::NetApiBufferFree(info);
    return text;
  };
  EXPECT_EQ(fullName(), Directory().FullNameOf(member));
  EXPECT_EQ(fullName(), "Renamed");
  replace(before);
}

TEST(DISABLED_InDirectory, OtherServersAndMissingGroupsThrowTheirStatus) {
  CNuNetSecuritySupport net;
  CStringArray a;
  CStringArray b;
  EXPECT_EQ(StatusOf([&] { net.EnumerateDomainUsers("\\\\elsewhere", a, b); }), static_cast<DWORD>(NERR_InvalidComputer));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroups("elsewhere", a, b); }), static_cast<DWORD>(NERR_InvalidComputer));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, "no-such-group", a, b); }),
            static_cast<DWORD>(NERR_GroupNotFound));
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_EQ(b.GetSize(), 0);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(host, "grp001", a, b); }), 0u);
  EXPECT_EQ(Strings(a), Directory().MembersOf("grp001"));
}

TEST(DISABLED_InDirectory, RecordsBeyondTheFirstBufferAreReadWhole) {
  // Records larger than the first buffers the provider reads with: an account and a group
  // beyond the 16 KB of a look-up by name, a group beyond the 256 KB of an enumeration. The
  // buffers must grow and no record may be lost (the name service of the tests moves past a
  // record it answered ERANGE for).
  const std::string longUser = hk::test::netsec::Numbered("user", 4, hk::test::netsec::kLongGecos);
  const std::string longName = Directory().FullNameOf(longUser);
  ASSERT_GT(longName.size(), 16384u);
  CNuNetSecuritySupport net;
  CStringArray names;
  CStringArray fullNames;
  net.EnumerateDomainUsers(nullptr, names, fullNames);
  const auto users = Strings(names);
  const auto user = std::find(users.begin(), users.end(), longUser);
  ASSERT_NE(user, users.end());
  EXPECT_EQ(std::string(fullNames[static_cast<int>(user - users.begin())]), longName);

  CStringArray groups;
  CStringArray comments;
  net.EnumerateGroups(nullptr, groups, comments);
  EXPECT_EQ(Strings(groups), Directory().GroupNames());

  CStringArray members;
  CStringArray memberNames;
  net.EnumerateGroupUsers(nullptr, "crowd", members, memberNames);
  const auto expected = Directory().MembersOf("crowd");
  ASSERT_EQ(expected.size(), static_cast<size_t>(hk::test::netsec::kGenerated));
  ASSERT_EQ(Strings(members), expected);
  ASSERT_EQ(memberNames.GetSize(), members.GetSize());
  const auto member = std::find(expected.begin(), expected.end(), longUser);
  EXPECT_EQ(std::string(memberNames[static_cast<int>(member - expected.begin())]), longName);
}

TEST(DISABLED_InDirectory, EveryListingTakesSeveralPages) {
  // The page sizes the listings ask for: 255 records of the level read.
  DWORD read = 0;
  DWORD total = 0;
  DWORD resume = 0;
  LPBYTE buffer = nullptr;
  ASSERT_EQ(CNuNetAPI::NetUserEnum(nullptr, 10, FILTER_NORMAL_ACCOUNT, &buffer, 255 * sizeof(USER_INFO_10),
                                   &read, &total, &resume),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_GT(read, 0u);
  EXPECT_LT(read, 255u);  // the strings take room too
  EXPECT_EQ(total, 2000u);
  EXPECT_EQ(resume, read);
  CNuNetAPI::NetApiBufferFree(buffer);

  PVOID groups = nullptr;
  ASSERT_EQ(CNuNetAPI::NetQueryDisplayInformation(nullptr, 3, 0, 255, 255 * sizeof(NET_DISPLAY_GROUP), &read, &groups),
            static_cast<DWORD>(ERROR_MORE_DATA));
  ASSERT_GT(read, 0u);
  EXPECT_EQ(static_cast<NET_DISPLAY_GROUP*>(groups)[read - 1].grpi3_next_index, read);
  CNuNetAPI::NetApiBufferFree(groups);
  // An explicit count is honoured too.
  ASSERT_EQ(CNuNetAPI::NetQueryDisplayInformation(nullptr, 3, 5, 2, MAX_PREFERRED_LENGTH, &read, &groups),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(CString(static_cast<NET_DISPLAY_GROUP*>(groups)[0].grpi3_name), Directory().GroupNames()[5].c_str());
  CNuNetAPI::NetApiBufferFree(groups);

  DWORD_PTR memberResume = 0;
  const WCHAR staff[] = {'s', 't', 'a', 'f', 'f', 0};
  ASSERT_EQ(CNuNetAPI::NetGroupGetUsers(nullptr, staff, 0, &buffer, 255 * sizeof(GROUP_USERS_INFO_0), &read, &total,
                                        &memberResume),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_GT(read, 0u);
  EXPECT_EQ(total, 999u);
  EXPECT_EQ(memberResume, read);
  CNuNetAPI::NetApiBufferFree(buffer);
}

TEST(DISABLED_InDirectory, DomainsAndTheirController) {
  CNuNetSecuritySupport net;
  CStringArray domains;
  net.EnumerateDomains(domains);
  EXPECT_EQ(Strings(domains), (std::vector<std::string>{"EXAMPLE.TEST", "LABS"}));
  EXPECT_EQ(net.GetDomainController(nullptr), "\\\\dc1.example.test");
  EXPECT_EQ(net.GetDomainController("example.test"), "\\\\dc1.example.test");
  EXPECT_EQ(net.GetDomainController("LABS"), "");  // names no password server
  EXPECT_EQ(net.GetDomainController("ELSEWHERE"), "");
}

TEST(DISABLED_WithoutNetworkAPI, EverythingIsQuietlyEmpty) {
  EXPECT_FALSE(CNuNetAPI::IsAvailable());
  EXPECT_FALSE(CNuNetSecuritySupport::IsAvailable());
  CNuNetSecuritySupport net;
  CStringArray a;
  CStringArray b;
  a.Add("untouched");
  EXPECT_TRUE(net.GetDomainController(nullptr).IsEmpty());
  EXPECT_TRUE(net.GetDomainController("EXAMPLE.TEST").IsEmpty());
  net.EnumerateDomains(a);
  net.EnumerateGroups(nullptr, a, b);
  net.EnumerateGroupUsers(nullptr, "staff", a, b);
  net.EnumerateDomainUsers("\\\\elsewhere", a, b);
  EXPECT_EQ(Strings(a), std::vector<std::string>{"untouched"});
  EXPECT_EQ(b.GetSize(), 0);
}

TEST(DISABLED_StuckNetworkAPI, ListingsThatBringNothingEndWithTheStatus) {
  ASSERT_TRUE(CNuNetAPI::IsAvailable());
  CNuNetSecuritySupport net;
  CStringArray a;
  CStringArray b;
  a.Add("untouched");
  EXPECT_EQ(StatusOf([&] { net.EnumerateDomainUsers(nullptr, a, b); }), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroups(nullptr, a, b); }), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(StatusOf([&] { net.EnumerateGroupUsers(nullptr, "staff", a, b); }), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(Strings(a), std::vector<std::string>{"untouched"});
  EXPECT_EQ(b.GetSize(), 0);
}

}  // namespace

#else

TEST(DirectoryCases, NameServiceDirectory) {
  GTEST_SKIP() << "the directory provider and nss_wrapper exist on POSIX only; the Windows build "
                  "lists what the system's network API answers";
}

#endif
