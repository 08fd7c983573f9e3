// The listings against the system's own network API (the Windows build, under Wine in CI).
#include "tests/support/fixtures.h"

#include "netsec/netapi.h"

namespace {

#if defined(_WIN32)
// Group members are not listed here: Wine, where CI runs this, exports NetGroupGetUsers as a stub
// that aborts the calling process.
TEST(SystemNetworkAPI, ListingsKeepTheirArraysInStep) {
  ASSERT_TRUE(CNuNetAPI::IsAvailable());
  CNuNetSecuritySupport net;
  CStringArray users, fullNames;
  net.EnumerateDomainUsers(nullptr, users, fullNames);
  ASSERT_GT(users.GetSize(), 0);  // at least the account running this
  EXPECT_EQ(fullNames.GetSize(), users.GetSize());
}
#else
TEST(SystemNetworkAPI, ListingsOfTheSystem) {
  GTEST_SKIP() << "the POSIX build has no system network API; its directory provider and domains "
                  "are tested against a described host (DirectoryCases, DescribedHost)";
}
#endif

}  // namespace
