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
  // The host's domains as "name=controller " each.
  static std::string Described() {
    std::string text;
    for (const auto& domain : config::HostDomains()) text += domain.name + "=" + domain.controller + " ";
    return text;
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

// Every entry of one container, read `perCall` at a time, as "display-type:name:provider ".
std::string ReadContainer(NETRESOURCEA* container, DWORD perCall = 0xFFFFFFFF) {
  HANDLE handle = nullptr;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, container, &handle),
            static_cast<DWORD>(NO_ERROR));
  std::string entries;
  for (DWORD r = NO_ERROR; r == NO_ERROR;) {
    alignas(16) char buffer[4096];
    DWORD count = perCall;
    DWORD size = sizeof buffer;
    r = WNetEnumResourceA(handle, &count, buffer, &size);
    EXPECT_TRUE(r == NO_ERROR || r == ERROR_NO_MORE_ITEMS) << r;
    EXPECT_LE(count, perCall);
    const auto* records = reinterpret_cast<NETRESOURCEA*>(buffer);
    for (DWORD i = 0; r == NO_ERROR && i < count; ++i) {
      EXPECT_EQ(records[i].dwUsage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
      entries += std::to_string(records[i].dwDisplayType) + ":" + records[i].lpRemoteName + ":" +
                 records[i].lpProvider + " ";
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
  // The realm is the sssd domain, in another case.
  EXPECT_EQ(Described(), "corp.example=ad1.corp.example LDAP=fd00::7 CORP=dc9.corp.example ");

  const std::string root = ReadContainer(nullptr);
  std::string networkName = root.substr(2, root.find(':', 2) - 2);
  // Every record names the network as its provider.
  const auto entry = [&](DWORD type, const std::string& name) {
    return std::to_string(type) + ":" + name + ":" + networkName + " ";
  };
  EXPECT_EQ(root, entry(RESOURCEDISPLAYTYPE_NETWORK, networkName));
  NETRESOURCEA container{};
  container.dwUsage = RESOURCEUSAGE_CONTAINER;
  container.lpRemoteName = networkName.data();
  for (DWORD perCall : {0xFFFFFFFFu, 1u})
    EXPECT_EQ(ReadContainer(&container, perCall), entry(RESOURCEDISPLAYTYPE_DOMAIN, "corp.example") +
                                                      entry(RESOURCEDISPLAYTYPE_DOMAIN, "LDAP") +
                                                      entry(RESOURCEDISPLAYTYPE_DOMAIN, "CORP"));
  // A domain holds this computer; a name the network does not know is refused.
  std::string name = "CORP";
  container.lpRemoteName = name.data();
  EXPECT_EQ(ReadContainer(&container), entry(RESOURCEDISPLAYTYPE_SERVER, "\\\\" + config::LocalComputerName()));
  HANDLE handle = nullptr;
  name = "NOWHERE";
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, 0, RESOURCEUSAGE_CONTAINER, &container, &handle),
            static_cast<DWORD>(ERROR_BAD_NET_NAME));
}

TEST_F(DescribedHost, WithoutAListTheDomainSectionsAreTheDomainsInTheirOrder) {
  m_dir.WriteFile("sssd/sssd.conf", "[sssd]\nservices = nss\n[domain/Zeta]\nad_server = dc.zeta\n"
                                    "[domain/alpha]\n[nss]\n[domain/zeta]\nkrb5_server = other\n");
  // One section, however often it is opened; the name of its first header.
  EXPECT_EQ(Described().rfind("Zeta=dc.zeta alpha= ", 0), 0u) << Described();
}

TEST_F(DescribedHost, WithoutADirectoryTheDnsDomainOrWorkgroupStands) {
  const std::string fromHostName = DnsDomainOfHostName();
  // A keyword without a value (or with the root ".") names no domain.
  m_dir.WriteFile("resolv.conf", "nameserver 10.0.0.1\ndomain .\nsearch lab.example other.example\n");
  EXPECT_EQ(config::HostDomains()[0].name, fromHostName.empty() ? "lab.example" : fromHostName);
  m_dir.WriteFile("resolv.conf", "search lab.example\ndomain office.example\n");
  EXPECT_EQ(config::HostDomains()[0].name, fromHostName.empty() ? "office.example" : fromHostName);
  m_dir.WriteFile("resolv.conf", "nameserver 10.0.0.1\n");
  EXPECT_EQ(Described(), (fromHostName.empty() ? "WORKGROUP" : fromHostName) + "= ");
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
  const std::pair<std::string, bool> names[] = {
      {"", true}, {host, true}, {std::string("\\\\") + host, true}, {"LOCALHOST", true}, {"\\\\localhost", true},
      {"\\\\" + config::LocalComputerName(), true}, {"\\\\", false}, {"\\\\elsewhere", false},
      {"elsewhere", false}, {"\\\\\\\\localhost", false}, {"localhost.invalid", false}};
  for (const auto& [name, local] : names) EXPECT_EQ(config::IsLocalComputer(name.c_str()), local) << name;
  EXPECT_TRUE(config::IsLocalComputer(nullptr));
}

}  // namespace

#endif
