// The host the directory cases describe, in a temporary folder: the name service's passwd and
// group files for nss_wrapper, and login.defs and the domain configuration under etc/ for
// HOSTKIT_SYSCONF_DIR. A program reads it with the environment Environment() lists, which has
// to be in place when the program starts (the preload in particular).
#pragma once

#if !defined(_WIN32)

#  include "tests/netsec/directory_data.h"
#  include "tests/support/fixtures.h"

#  include <sys/stat.h>

#  include <fstream>
#  include <string>
#  include <utility>
#  include <vector>

namespace hk::test::netsec {

inline const TestDirectory& Directory() {
  static const TestDirectory directory;
  return directory;
}

// What a program preloads: nss_wrapper, behind the address sanitizer's run-time when this
// process carries one (a program of the same build does too; the run-time must come first, and
// it keeps nss_wrapper from binding libc in a way the sanitizer cannot follow).
inline std::string NssWrapperPreload() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    const size_t path = line.find('/');
    if (path != std::string::npos && line.find("libasan.so", path) != std::string::npos)
      return line.substr(path) + " libnss_wrapper.so";
  }
  return "libnss_wrapper.so";
}

using Environment = std::vector<std::pair<std::string, std::string>>;

class TestHost {
 public:
  TestHost() {
    m_passwd = m_dir.WriteFile("passwd", Directory().PasswdText());
    m_group = m_dir.WriteFile("group", Directory().GroupText());
    mkdir((m_dir / "etc").c_str(), 0700);
    mkdir((m_dir / "etc/sssd").c_str(), 0700);
    mkdir((m_dir / "etc/samba").c_str(), 0700);
    m_dir.WriteFile("etc/login.defs", "# test host\nUID_MIN\t\t" + std::to_string(kUidMin) + "\nUID_MAX " +
                                          std::to_string(kUidMax) + "\n");
    m_dir.WriteFile("etc/sssd/sssd.conf",
                    "[sssd]\nservices = nss, pam\ndomains = EXAMPLE.TEST\n\n"
                    "[domain/EXAMPLE.TEST]\nid_provider = ad\nad_server = dc1.example.test, _srv_\n");
    m_dir.WriteFile("etc/samba/smb.conf", "[global]\n   workgroup = LABS\n   security = user\n");
    mkdir((m_dir / "empty").c_str(), 0700);
  }

  const TempDir& Dir() const { return m_dir; }
  // A folder without a provider library.
  std::string EmptyDir() const { return m_dir / "empty"; }

  // The variables a program needs to see this host; without the directory, the name service is
  // the machine's own.
  Environment Variables(bool withDirectory) const {
    Environment env = {{"HOSTKIT_SYSCONF_DIR", m_dir / "etc"}};
    if (withDirectory) {
      env.push_back({"LD_PRELOAD", NssWrapperPreload()});
      env.push_back({"NSS_WRAPPER_PASSWD", m_passwd});
      env.push_back({"NSS_WRAPPER_GROUP", m_group});
    }
    return env;
  }

 private:
  TempDir m_dir;
  std::string m_passwd;
  std::string m_group;
};

}  // namespace hk::test::netsec

#endif
