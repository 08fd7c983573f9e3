// The POSIX network provider's resource enumeration and what it reads of the host's
// configuration.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#if !defined(_WIN32)
#  include "platform/posix/net/netconfig.h"

#  include <sys/stat.h>
#  include <unistd.h>

#  include <cstring>

namespace {

namespace config = hk::posix::netconfig;

// A host described by its own configuration folder.
class DescribedHost : public ::testing::Test {
 protected:
  DescribedHost() : m_env("HOSTKIT_SYSCONF_DIR", m_dir.Path().c_str()) {
    mkdir((m_dir / "sssd").c_str(), 0700);
    mkdir((m_dir / "samba").c_str(), 0700);
  }
  static std::string DnsDomainOfHostName() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const char* dot = std::strchr(host, '.');
    return dot != nullptr ? dot + 1 : "";
  }
  hk::test::TempDir m_dir;
  hk::test::ScopedEnv m_env;
};

struct Entry {
  DWORD displayType;
  std::string remoteName;
  std::string provider;
};

// Every entry of one container, read one page at a time.
std::vector<Entry> ReadContainer(NETRESOURCEA* container, DWORD perCall = 0xFFFFFFFF) {
  HANDLE handle = nullptr;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, container, &handle),
            static_cast<DWORD>(NO_ERROR));
  std::vector<Entry> entries;
  for (;;) {
    alignas(16) char buffer[4096];
    DWORD count = perCall;
    DWORD size = sizeof buffer;
    const DWORD r = WNetEnumResourceA(handle, &count, buffer, &size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(r, static_cast<DWORD>(NO_ERROR));
    if (r != NO_ERROR) break;
    EXPECT_LE(count, perCall);
    auto* records = reinterpret_cast<NETRESOURCEA*>(buffer);
    for (DWORD i = 0; i < count; ++i) {
      EXPECT_EQ(records[i].dwUsage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
      entries.push_back(Entry{records[i].dwDisplayType, records[i].lpRemoteName, records[i].lpProvider});
    }
  }
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
  return entries;
}

TEST_F(DescribedHost, NetworkHoldsTheConfiguredDomainsEachOnce) {
  m_dir.WriteFile("sssd/sssd.conf",
                  "# comment\n[sssd]\ndomains = corp.example, LDAP\n"
                  "[domain/corp.example]\nad_server = _srv_, ad1.corp.example\n"
                  "[domain/LDAP]\nldap_uri = ldaps://[fd00::7]:636/, ldap://ldap2\n");
  m_dir.WriteFile("samba/smb.conf", "[global]\n\tworkgroup = CORP\n\trealm = CORP.EXAMPLE\n"
                                    "\tpassword server = dc9.corp.example *\n");
  const auto domains = config::HostDomains();
  ASSERT_EQ(domains.size(), 3u);  // the realm is the sssd domain, in another case
  EXPECT_EQ(domains[0].name, "corp.example");
  EXPECT_EQ(domains[0].controller, "ad1.corp.example");
  EXPECT_EQ(domains[1].name, "LDAP");
  EXPECT_EQ(domains[1].controller, "fd00::7");
  EXPECT_EQ(domains[2].name, "CORP");
  EXPECT_EQ(domains[2].controller, "dc9.corp.example");

  const auto root = ReadContainer(nullptr);
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(root[0].displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_NETWORK));
  NETRESOURCEA network{};
  network.dwUsage = RESOURCEUSAGE_CONTAINER;
  std::string networkName = root[0].remoteName;
  network.lpRemoteName = networkName.data();
  for (DWORD perCall : {0xFFFFFFFFu, 1u}) {
    const auto held = ReadContainer(&network, perCall);
    ASSERT_EQ(held.size(), 3u);
    for (size_t i = 0; i < held.size(); ++i) {
      EXPECT_EQ(held[i].displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_DOMAIN));
      EXPECT_EQ(held[i].remoteName, domains[i].name);
      EXPECT_EQ(held[i].provider, networkName);
    }
  }
  // A domain holds this computer; a name the network does not know is refused.
  NETRESOURCEA domain = network;
  std::string domainName = "CORP";
  domain.lpRemoteName = domainName.data();
  const auto servers = ReadContainer(&domain);
  ASSERT_EQ(servers.size(), 1u);
  EXPECT_EQ(servers[0].remoteName, "\\\\" + config::LocalComputerName());
  HANDLE handle = nullptr;
  std::string unknown = "NOWHERE";
  domain.lpRemoteName = unknown.data();
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, 0, RESOURCEUSAGE_CONTAINER, &domain, &handle),
            static_cast<DWORD>(ERROR_BAD_NET_NAME));
  domain.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, 0, RESOURCEUSAGE_CONTAINER, &domain, &handle),
            static_cast<DWORD>(ERROR_NOT_CONTAINER));
}

TEST_F(DescribedHost, WithoutAListTheDomainSectionsAreTheDomainsInTheirOrder) {
  m_dir.WriteFile("sssd/sssd.conf", "[sssd]\nservices = nss\n[domain/Zeta]\nad_server = dc.zeta\n"
                                    "[domain/alpha]\n[nss]\n[domain/zeta]\nkrb5_server = other\n");
  const auto domains = config::HostDomains();
  ASSERT_GE(domains.size(), 2u);
  EXPECT_EQ(domains[0].name, "Zeta");  // one section, however often it is opened
  EXPECT_EQ(domains[0].controller, "dc.zeta");
  EXPECT_EQ(domains[1].name, "alpha");
}

TEST_F(DescribedHost, WithoutADirectoryTheDnsDomainOrWorkgroupStands) {
  const std::string fromHostName = DnsDomainOfHostName();
  // A keyword without a value (or with the root ".") names no domain.
  m_dir.WriteFile("resolv.conf", "nameserver 10.0.0.1\ndomain .\nsearch lab.example other.example\n");
  EXPECT_EQ(config::HostDomains()[0].name, fromHostName.empty() ? "lab.example" : fromHostName);
  m_dir.WriteFile("resolv.conf", "search lab.example\ndomain office.example\n");
  EXPECT_EQ(config::HostDomains()[0].name, fromHostName.empty() ? "office.example" : fromHostName);
  m_dir.WriteFile("resolv.conf", "nameserver 10.0.0.1\n");
  const auto domains = config::HostDomains();
  ASSERT_EQ(domains.size(), 1u);
  EXPECT_EQ(domains[0].name, fromHostName.empty() ? "WORKGROUP" : fromHostName);
  EXPECT_EQ(domains[0].controller, "");
  // An smb.conf without a workgroup is a member of the default one.
  m_dir.WriteFile("samba/smb.conf", "[global]\nsecurity = user\n");
  EXPECT_EQ(config::HostDomains()[0].name, "WORKGROUP");
}

TEST(ResourceEnumeration, BuffersHandlesAndScopesKeepTheirContracts) {
  HANDLE handle = nullptr;
  ASSERT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, nullptr, &handle), static_cast<DWORD>(NO_ERROR));
  // Too small for one entry: ERROR_MORE_DATA and the size it needs; nothing is lost.
  char small[8];
  DWORD count = 0xFFFFFFFF;
  DWORD size = sizeof small;
  EXPECT_EQ(WNetEnumResourceA(handle, &count, small, &size), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_GT(size, sizeof(NETRESOURCEA));
  std::vector<char> fits(size);
  count = 0xFFFFFFFF;
  EXPECT_EQ(WNetEnumResourceA(handle, &count, fits.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(WNetEnumResourceA(handle, &count, fits.data(), &size), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WNetEnumResourceA(handle, &count, fits.data(), &size), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // No drive connections here; an unknown scope or a missing handle pointer is refused.
  ASSERT_EQ(WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &handle), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(WNetEnumResourceA(handle, &count, fits.data(), &size), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(WNetOpenEnumA(9, RESOURCETYPE_ANY, 0, nullptr, &handle), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, nullptr, nullptr),
            static_cast<DWORD>(ERROR_INVALID_ADDRESS));
}

TEST(ResourceEnumeration, LocalComputerNames) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (std::string name : {std::string(), std::string(host), "\\\\" + std::string(host), std::string("LOCALHOST"),
                           std::string("\\\\localhost"), "\\\\" + config::LocalComputerName()})
    EXPECT_TRUE(config::IsLocalComputer(name.c_str())) << name;
  EXPECT_TRUE(config::IsLocalComputer(nullptr));
  for (const char* name : {"\\\\", "\\\\elsewhere", "elsewhere", "\\\\\\\\localhost", "localhost.invalid"})
    EXPECT_FALSE(config::IsLocalComputer(name)) << name;
}

}  // namespace

#endif
