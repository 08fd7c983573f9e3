// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// What the host's own configuration says about the directory domains it belongs to. Shared by
// the network resource enumeration of the library and by the directory provider library, so
// it uses nothing but the C and C++ run-times (no last error, no library state).
#pragma once

#include <string>
#include <vector>

namespace hk::posix::netconfig {

// A configuration file of the system: $HOSTKIT_SYSCONF_DIR/relative when that variable is set
// and not empty (so tests can describe a host of their own), otherwise /etc/relative.
std::string SystemFile(const std::string& relative);

struct Domain {
  std::string name;
  // The domain controller the configuration names ("dc1.example.com"), empty when it names
  // none (or leaves the choice to service discovery).
  std::string controller;
};

// The domains the host belongs to, each once (names compared without regard to ASCII case), in
// this order of sources:
//   1. sssd/sssd.conf: the domains of the [sssd] "domains" list (or, without that list, every
//      [domain/NAME] section); controller: the first ad_server, ipa_server, ldap_uri or
//      krb5_server entry that names a host;
//   2. samba/smb.conf: the [global] "workgroup" (WORKGROUP when the file sets none), with the
//      first "password server" entry as controller, and the "realm" when one is set;
// and, when neither names a domain:
//   3. the DNS domain of the host name (what follows its first dot), else the "domain" or the
//      first "search" entry of resolv.conf;
//   4. "WORKGROUP".
std::vector<Domain> HostDomains();

// The host name up to its first dot ("build7.example.com" => "build7").
std::string LocalComputerName();

// Whether a server name names this computer: NULL or empty, or the host name (full or short)
// or "localhost", each optionally preceded by "\\\\"; ASCII case is ignored.
bool IsLocalComputer(const char* server);

// ASCII case-insensitive equality.
bool SameName(const std::string& a, const std::string& b);

}  // namespace hk::posix::netconfig
