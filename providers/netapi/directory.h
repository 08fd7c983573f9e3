// The host's accounts and groups as the name service (NSS) reports them: whatever passwd and
// group sources nsswitch.conf names (files, LDAP through sssd, a domain through winbind ...).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace hk::netapi {

struct Account {
  std::string name;
  std::string fullName;  // the first comma-separated field of GECOS
  uid_t uid;
  gid_t gid;
};

struct Group {
  std::string name;
  gid_t gid;
  std::vector<std::string> members;  // as the group record lists them
};

// The UID range of normal (human) accounts: UID_MIN and UID_MAX of login.defs, 1000 and 60000
// where it sets none.
struct UidRange {
  uid_t first;
  uid_t last;
  bool Holds(uid_t uid) const { return uid >= first && uid <= last; }
};
UidRange NormalUidRange();

// The whole enumeration, in name order (byte order of the names; a name the service reports
// twice is kept once, as its first record). Result: 0 or the errno value the service failed
// with.
int ReadAccounts(std::vector<Account>& accounts);
int ReadGroups(std::vector<Group>& groups);

// One record by name. Result: 0 (found tells whether it exists) or the errno value the service
// failed with.
int FindAccount(const std::string& name, Account& account, bool& found);
int FindGroup(const std::string& name, Group& group, bool& found);

}  // namespace hk::netapi
