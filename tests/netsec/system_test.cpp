// The listings against the system's own network API (the Windows build, under Wine in CI).
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"

#include "netsec/netapi.h"

namespace {

bool RunsUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(SystemNetworkAPI, ListingsKeepTheirArraysInStep) {
#if !defined(_WIN32)
  GTEST_SKIP() << "the POSIX build has no system network API; its directory provider is tested "
                  "against an NSS directory (DirectoryCases)";
#endif
  ASSERT_TRUE(CNuNetAPI::IsAvailable());
  CNuNetSecuritySupport net;

  CStringArray groups;
  CStringArray comments;
  net.EnumerateGroups(nullptr, groups, comments);
  const int groupCount = groups.GetSize();
  net.EnumerateGroups(nullptr, groups, comments);
  EXPECT_EQ(groups.GetSize(), 2 * groupCount);
  EXPECT_EQ(comments.GetSize(), groups.GetSize());

  CStringArray users;
  CStringArray fullNames;
  net.EnumerateDomainUsers(nullptr, users, fullNames);
  ASSERT_GT(users.GetSize(), 0);  // at least the account running this
  EXPECT_EQ(fullNames.GetSize(), users.GetSize());
  for (int i = 0; i < users.GetSize(); ++i) EXPECT_FALSE(users[i].IsEmpty()) << i;

  // Whatever the system answers about a controller, it is an answer, not an exception.
  const CString controller = net.GetDomainController(nullptr);
  if (!controller.IsEmpty()) {
    EXPECT_EQ(controller.Left(2), "\\\\");
  }

  if (RunsUnderWine()) {
    // Wine's library exports NetGroupGetUsers as a stub that aborts the calling process.
    std::printf("  (group members not listed: Wine's NetGroupGetUsers is not implemented)\n");
  } else if (groupCount > 0) {
    CStringArray members;
    CStringArray memberNames;
    net.EnumerateGroupUsers(nullptr, groups[0], members, memberNames);
    EXPECT_EQ(memberNames.GetSize(), members.GetSize());
  }
}

TEST(SystemNetworkAPI, ForeignServerThrowsWithTheStatusOfTheCall) {
#if !defined(_WIN32)
  GTEST_SKIP() << "the POSIX build has no system network API (see DirectoryCases)";
#endif
  ASSERT_TRUE(CNuNetAPI::IsAvailable());
  CNuNetSecuritySupport net;
  CStringArray users;
  CStringArray fullNames;
  users.Add("kept");
  SetLastError(0);
  const hk::test::Thrown thrown =
      hk::test::Capture<CNuOSException>([&] { net.EnumerateDomainUsers("\\\\no-such-host.invalid", users, fullNames); });
  EXPECT_TRUE(thrown.thrown);
  EXPECT_NE(thrown.code, 0);  // the failed call's status, not a last error that says "success"
  EXPECT_EQ(users.GetSize(), 1);
  EXPECT_EQ(fullNames.GetSize(), 0);
}

TEST(SystemNetworkAPI, DomainsComeFromTheNetworkProvider) {
#if !defined(_WIN32)
  GTEST_SKIP() << "the POSIX build's domains are tested against a described host (DirectoryCases, "
                  "ResourceEnumeration)";
#endif
  CNuNetSecuritySupport net;
  CStringArray domains;
  domains.Add("kept");
  try {
    net.EnumerateDomains(domains);
    for (int i = 1; i < domains.GetSize(); ++i) EXPECT_FALSE(domains[i].IsEmpty());
  } catch (CNuOSException* e) {
    // A host without a network provider (Wine has none) answers "no network".
    EXPECT_EQ(e->m_dwError, static_cast<DWORD>(ERROR_NO_NETWORK));
    EXPECT_EQ(domains.GetSize(), 1);
    e->Delete();
  }
}

}  // namespace
