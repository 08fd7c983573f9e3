// Domain security: the domain controller, the domains of the network, the groups of a server,
// the members of a group and the normal user accounts of a server, as ANSI strings.
#pragma once

#include <hostkit/afx.h>

// Every listing appends to arrays the caller owns and never clears them; the two arrays of one
// call grow in step (entry i of the second belongs to entry i of the first). Where the
// system's network API is not available, GetDomainController answers an empty string and the
// listings return at once without touching the arrays. A failed system call throws
// CNuOSException carrying the status it failed with; entries added before it stay.
class HOSTKIT_API CNuNetSecuritySupport {
 public:
  CNuNetSecuritySupport();
  ~CNuNetSecuritySupport();

  // TRUE when the system's network API ("NETAPI32.DLL"; on POSIX the provider that stands for
  // it) was loaded with all its entry points: only then can the listings find anything.
  static BOOL IsAvailable();

  // The controller of a domain (NULL: the primary domain) as the system names it
  // ("\\\\dc1.example.com"), or empty when there is none or it cannot be found.
  CString GetDomainController(const char* domain);
  // The domains visible on the network.
  void EnumerateDomains(CStringArray& domains);
  // The groups of a server (NULL: this computer) and their comments.
  void EnumerateGroups(const char* server, CStringArray& names, CStringArray& comments);
  // The members of a group of a server (NULL: this computer) and their full names.
  void EnumerateGroupUsers(const char* server, const char* group, CStringArray& names,
                           CStringArray& fullNames);
  // The normal user accounts of a server (NULL: this computer; typically the controller that
  // GetDomainController found) and their full names.
  void EnumerateDomainUsers(const char* server, CStringArray& names, CStringArray& fullNames);
};
