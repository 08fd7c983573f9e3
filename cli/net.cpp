// hostkit net: the domain controller, the domains of the network, and the groups, group members
// and user accounts of a server.
#include "command.h"

#include <hostkit/hostkit.h>

namespace hk::cli {
namespace {

const char* Optional(const Args& args, size_t index) {
  return args.size() > index ? args[index].c_str() : nullptr;
}

// Listings quietly come back empty without the network API; say why on the command line.
bool ApiAvailable() {
  if (CNuNetSecuritySupport::IsAvailable()) return true;
  std::fprintf(stderr, "hostkit net: the network API (NETAPI32.DLL) is not available here\n");
  return false;
}

// Thousands of lines: written piece by piece rather than formatted.
void PrintPairs(const CStringArray& first, const CStringArray& second) {
  for (int i = 0; i < first.GetSize(); ++i) {
    std::fputs(first[i], stdout);
    std::putchar('\t');
    if (i < second.GetSize()) std::fputs(second[i], stdout);
    std::putchar('\n');
  }
}

int Run(Args& args) {
  if (args.empty()) throw UsageError("missing sub-command");
  const std::string what = args[0];
  args.erase(args.begin());
  CNuNetSecuritySupport net;
  CStringArray first;
  CStringArray second;
  if (what == "dc") {
    ExpectCount(args, 0, 1);
    if (!ApiAvailable()) return kFailure;
    const CString controller = net.GetDomainController(Optional(args, 0));
    if (controller.IsEmpty()) {
      std::fprintf(stderr, "hostkit net: no domain controller found\n");
      return kFailure;
    }
    std::printf("%s\n", static_cast<const char*>(controller));
    return kSuccess;
  }
  if (what == "domains") {
    ExpectCount(args, 0, 0);
    if (!ApiAvailable()) return kFailure;
    net.EnumerateDomains(first);
    for (int i = 0; i < first.GetSize(); ++i) std::printf("%s\n", static_cast<const char*>(first[i]));
    return kSuccess;
  }
  if (what == "groups") {
    ExpectCount(args, 0, 1);
    if (!ApiAvailable()) return kFailure;
    net.EnumerateGroups(Optional(args, 0), first, second);
  } else if (what == "members") {
    ExpectCount(args, 1, 2);
    if (!ApiAvailable()) return kFailure;
    net.EnumerateGroupUsers(Optional(args, 1), args[0].c_str(), first, second);
  } else if (what == "users") {
    ExpectCount(args, 0, 1);
    if (!ApiAvailable()) return kFailure;
    net.EnumerateDomainUsers(Optional(args, 0), first, second);
  } else {
    throw UsageError("unknown sub-command '" + what + "'");
  }
  PrintPairs(first, second);
  return kSuccess;
}

Registration command(Command{
    "net", "domain controller, domains, groups, group members and user accounts",
    "usage: hostkit net dc [DOMAIN]\n"
    "       hostkit net domains\n"
    "       hostkit net groups [SERVER]\n"
    "       hostkit net members GROUP [SERVER]\n"
    "       hostkit net users [SERVER]\n\n"
    "dc       the controller of DOMAIN (default: the primary domain)\n"
    "domains  the domains visible on the network, one a line\n"
    "groups   the groups of SERVER (default: this computer): name TAB comment\n"
    "members  the members of GROUP: name TAB full name\n"
    "users    the normal user accounts of SERVER: name TAB full name\n\n"
    "On Windows these come from the system's network API; elsewhere from the directory\n"
    "provider library, which reads the name service (passwd and group: local files, LDAP or a\n"
    "domain, whatever nsswitch.conf names). Exit status 1 when the network API is not\n"
    "available or a listing failed.\n",
    Run});

Registration tour(TourStep{70, "domains, groups and users", [](std::FILE* out) {
  if (!CNuNetSecuritySupport::IsAvailable()) {
    std::fprintf(out, "  the network API (NETAPI32.DLL) is not available here\n");
    return false;
  }
  CNuNetSecuritySupport net;
  CStringArray domains;
  net.EnumerateDomains(domains);
  for (int i = 0; i < domains.GetSize(); ++i)
    std::fprintf(out, "  domain %s\n", static_cast<const char*>(domains[i]));
  const CString controller = net.GetDomainController(nullptr);
  std::fprintf(out, "  its controller: %s\n",
               controller.IsEmpty() ? "(none found)" : static_cast<const char*>(controller));
  CStringArray groups;
  CStringArray comments;
  net.EnumerateGroups(nullptr, groups, comments);
  CStringArray users;
  CStringArray fullNames;
  net.EnumerateDomainUsers(nullptr, users, fullNames);
  std::fprintf(out, "  this computer has %d groups and %d normal user accounts\n", groups.GetSize(),
               users.GetSize());
  for (int i = 0; i < users.GetSize() && i < 3; ++i)
    std::fprintf(out, "  user %s (%s)\n", static_cast<const char*>(users[i]),
                 fullNames[i].IsEmpty() ? "no full name" : static_cast<const char*>(fullNames[i]));
  return true;
}});

}  // namespace
}  // namespace hk::cli
