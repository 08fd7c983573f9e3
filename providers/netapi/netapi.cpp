// The network API's account calls over the name service: the exported entry points of the
// directory provider, with the Win32 argument lists, records and status codes.
//
// Listings page for real. Every listing is a snapshot in name order, taken when a caller starts
// at index (or resume handle) 0 and kept for the pages that follow, so a large directory is read
// once per listing and every page continues where the last one ended; the index / resume handle
// is the position of the next entry. A caller that continues without a snapshot (another
// listing of the same kind replaced it) gets a fresh one: positions stay meaningful as long as
// the directory does not change in between.
#include "platform/posix/net/net.h"

#include "platform/posix/net/netconfig.h"
#include "providers/netapi/buffers.h"
#include "providers/netapi/directory.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#define NETAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using hk::netapi::Account;
using hk::netapi::Group;
using hk::netapi::RecordWriter;
using hk::netapi::Utf16;
using hk::netapi::Utf8;

using Accounts = std::vector<Account>;
using Groups = std::vector<Group>;

// Enumerations left unfinished keep their snapshots; beyond this many, the oldest go.
constexpr size_t kMostMemberSnapshots = 32;

// Member records handed out and not yet looked up; beyond this many, the oldest go.
constexpr size_t kMostHandedOut = 65536;

struct Snapshots {
  std::mutex lock;
  std::map<DWORD, std::shared_ptr<const Accounts>> users;  // by filter
  std::shared_ptr<const Groups> groups;
  std::map<std::string, std::shared_ptr<const Accounts>> members;  // by group name
  std::vector<std::string> memberOrder;                             // oldest first
  // The accounts of the members a listing has handed out, kept until NetUserGetInfo asks for
  // each once: a caller reads every member's record right after the page that names it, and
  // answering from the listing's own snapshot spares the name service a look-up per member
  // (files, or nss_wrapper, read the whole passwd file for each).
  std::map<std::string, Account> handedOut;
  std::deque<std::string> handedOrder;  // oldest first
};

Snapshots& TheSnapshots() {
  static Snapshots* snapshots = new Snapshots;  // outlives every static destructor
  return *snapshots;
}

NET_API_STATUS StatusOfErrno(int error) {
  return error == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : NERR_InternalError;
}

bool IsLocal(LPCWSTR server) {
  if (server == nullptr) return true;
  return hk::posix::netconfig::IsLocalComputer(Utf8(server).c_str());
}

// Bytes a string of the name service takes in a result buffer, with its NUL: its UTF-8 length
// in UTF-16 units, which is never less than what it converts to (pages are sized without
// converting every string twice).
size_t StringBytes(const std::string& utf8) { return (utf8.size() + 1) * sizeof(char16_t); }

// How many entries from `first` one page takes: at most `requested`, and no more than fit in
// `preferred` bytes (MAX_PREFERRED_LENGTH: no limit) — but always one, so every page moves on.
template <typename SizeOf>
size_t PageLength(size_t first, size_t end, DWORD requested, DWORD preferred, SizeOf sizeOf,
                  size_t& bytes) {
  size_t n = 0;
  bytes = 0;
  while (first + n < end && n < requested) {
    const size_t need = sizeOf(first + n);
    if (n > 0 && preferred != MAX_PREFERRED_LENGTH && bytes + need > preferred) break;
    bytes += need;
    ++n;
  }
  return n;
}

std::shared_ptr<const Accounts> NormalAccounts(DWORD filter, bool fresh, int& error) {
  Snapshots& s = TheSnapshots();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.users.find(filter);
    if (!fresh && it != s.users.end()) return it->second;
  }
  auto all = std::make_shared<Accounts>();
  error = hk::netapi::ReadAccounts(*all);
  if (error != 0) return nullptr;
  if (filter != 0) {
    // Only normal accounts live in this directory: the trust and duplicate filters find none.
    const hk::netapi::UidRange range = hk::netapi::NormalUidRange();
    all->erase(std::remove_if(all->begin(), all->end(),
                              [&](const Account& a) {
                                return (filter & FILTER_NORMAL_ACCOUNT) == 0 || !range.Holds(a.uid);
                              }),
               all->end());
  }
  std::lock_guard<std::mutex> guard(s.lock);
  s.users[filter] = all;
  return all;
}

std::shared_ptr<const Groups> AllGroups(bool fresh, int& error) {
  Snapshots& s = TheSnapshots();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!fresh && s.groups != nullptr) return s.groups;
  }
  auto groups = std::make_shared<Groups>();
  error = hk::netapi::ReadGroups(*groups);
  if (error != 0) return nullptr;
  std::lock_guard<std::mutex> guard(s.lock);
  s.groups = groups;
  return groups;
}

// The accounts of a group's members: those its record lists and those whose primary group it
// is, each once, in name order. A listed name without an account is left out, as a directory
// leaves out the members it no longer holds. Listed names are found in the enumeration read for
// the primary members; only a name it lacks (a service that does not enumerate its domain
// accounts) is looked up by itself.
NET_API_STATUS ReadMembers(const std::string& name, Accounts& members) {
  Group group;
  bool found = false;
  if (const int error = hk::netapi::FindGroup(name, group, found); error != 0) return StatusOfErrno(error);
  if (!found) return NERR_GroupNotFound;
  Accounts accounts;
  if (const int error = hk::netapi::ReadAccounts(accounts); error != 0) return StatusOfErrno(error);
  for (const Account& a : accounts)
    if (a.gid == group.gid) members.push_back(a);
  const auto byName = [](const Account& a, const std::string& n) { return a.name < n; };
  for (const std::string& listed : group.members) {
    const auto at = std::lower_bound(accounts.begin(), accounts.end(), listed, byName);
    if (at != accounts.end() && at->name == listed) {
      members.push_back(*at);
      continue;
    }
    Account account;
    if (const int error = hk::netapi::FindAccount(listed, account, found); error != 0) return StatusOfErrno(error);
    if (found) members.push_back(account);
  }
  std::stable_sort(members.begin(), members.end(), [](const Account& a, const Account& b) { return a.name < b.name; });
  members.erase(std::unique(members.begin(), members.end(),
                            [](const Account& a, const Account& b) { return a.name == b.name; }),
                members.end());
  return NERR_Success;
}

NET_API_STATUS GroupMembers(const std::string& name, bool fresh, std::shared_ptr<const Accounts>& out) {
  Snapshots& s = TheSnapshots();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.members.find(name);
    if (!fresh && it != s.members.end()) {
      out = it->second;
      return NERR_Success;
    }
  }
  auto members = std::make_shared<Accounts>();
  if (const NET_API_STATUS status = ReadMembers(name, *members); status != NERR_Success) return status;
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.members.count(name) == 0) {
    s.memberOrder.push_back(name);
    if (s.memberOrder.size() > kMostMemberSnapshots) {
      s.members.erase(s.memberOrder.front());
      s.memberOrder.erase(s.memberOrder.begin());
    }
  }
  s.members[name] = members;
  out = members;
  return NERR_Success;
}

void HandOut(Accounts::const_iterator first, Accounts::const_iterator last) {
  Snapshots& s = TheSnapshots();
  std::lock_guard<std::mutex> guard(s.lock);
  for (auto it = first; it != last; ++it) {
    s.handedOut.insert_or_assign(it->name, *it);
    s.handedOrder.push_back(it->name);
  }
  while (s.handedOrder.size() > kMostHandedOut) {
    s.handedOut.erase(s.handedOrder.front());
    s.handedOrder.pop_front();
  }
}

// The account of a member just handed out, taken from the listing's snapshot.
bool TakeHandedOut(const std::string& name, Account& account) {
  Snapshots& s = TheSnapshots();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.handedOut.find(name);
  if (it == s.handedOut.end()) return false;
  account = std::move(it->second);
  s.handedOut.erase(it);
  return true;
}

// A finished listing needs its snapshot no more.
void ForgetMembers(const std::string& name) {
  Snapshots& s = TheSnapshots();
  std::lock_guard<std::mutex> guard(s.lock);
  s.members.erase(name);
  s.memberOrder.erase(std::remove(s.memberOrder.begin(), s.memberOrder.end(), name), s.memberOrder.end());
}

// The user record of one account at level 0 or 10.
NET_API_STATUS UserRecord(const Account& account, DWORD level, LPBYTE* buffer) {
  const std::u16string name = Utf16(account.name);
  if (level == 0) {
    RecordWriter out(sizeof(USER_INFO_0), 1, (name.size() + 1) * 2);
    if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    static_cast<USER_INFO_0*>(out.Record(0))->usri0_name = reinterpret_cast<LPWSTR>(out.Put(name));
    *buffer = static_cast<LPBYTE>(out.Data());
    return NERR_Success;
  }
  const std::u16string fullName = Utf16(account.fullName);
  RecordWriter out(sizeof(USER_INFO_10), 1,
                   RecordWriter::SizeOf<USER_INFO_10>({name, fullName}) - sizeof(USER_INFO_10) + 2 * 2);
  if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  auto* record = static_cast<USER_INFO_10*>(out.Record(0));
  record->usri10_name = reinterpret_cast<LPWSTR>(out.Put(name));
  record->usri10_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
  record->usri10_usr_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
  record->usri10_full_name = reinterpret_cast<LPWSTR>(out.Put(fullName));
  *buffer = static_cast<LPBYTE>(out.Data());
  return NERR_Success;
}

}  // namespace

// The controller of a domain the host belongs to, as its configuration names it (see
// HostDomains in platform/posix/net/netconfig.h), in the form "\\\\host". No domain given: the first
// of them. A domain the host does not belong to, or one whose configuration leaves the
// controller to service discovery: NERR_DCNotFound.
NETAPI_EXPORT NET_API_STATUS NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) {
  if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  const std::vector<hk::posix::netconfig::Domain> domains = hk::posix::netconfig::HostDomains();
  const hk::posix::netconfig::Domain* chosen = nullptr;
  if (domain == nullptr || *domain == 0) {
    chosen = domains.empty() ? nullptr : &domains.front();
  } else {
    const std::string wanted = Utf8(domain);
    for (const auto& d : domains)
      if (hk::posix::netconfig::SameName(d.name, wanted)) chosen = &d;
  }
  if (chosen == nullptr || chosen->controller.empty()) return NERR_DCNotFound;
  const std::u16string name = Utf16("\\\\" + chosen->controller);
  void* block = hk::netapi::AllocateBuffer((name.size() + 1) * sizeof(char16_t));
  if (block == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::copy(name.c_str(), name.c_str() + name.size() + 1, static_cast<char16_t*>(block));
  *buffer = static_cast<LPBYTE>(block);
  return NERR_Success;
}

NETAPI_EXPORT NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
  if (buffer == nullptr) return NERR_Success;
  return hk::netapi::FreeBuffer(buffer) ? NERR_Success : ERROR_INVALID_PARAMETER;
}

// Level 3 (groups) only; the users' display levels 1 and 2 answer ERROR_INVALID_LEVEL.
NETAPI_EXPORT NET_API_STATUS NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index,
                                                        DWORD entriesRequested,
                                                        DWORD preferredMaximumLength,
                                                        LPDWORD returnedEntryCount,
                                                        PVOID* sortedBuffer) {
  if (returnedEntryCount == nullptr || sortedBuffer == nullptr) return ERROR_INVALID_PARAMETER;
  *returnedEntryCount = 0;
  *sortedBuffer = nullptr;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  if (level != 3) return ERROR_INVALID_LEVEL;
  int error = 0;
  const std::shared_ptr<const Groups> groups = AllGroups(index == 0, error);
  if (groups == nullptr) return StatusOfErrno(error);
  if (index >= groups->size()) return NERR_Success;

  auto sizeOf = [&](size_t i) {
    return sizeof(NET_DISPLAY_GROUP) + StringBytes((*groups)[i].name) + sizeof(char16_t);
  };
  size_t bytes = 0;
  const size_t count = PageLength(index, groups->size(), entriesRequested, preferredMaximumLength, sizeOf, bytes);
  if (count == 0) return NERR_Success;
  RecordWriter out(sizeof(NET_DISPLAY_GROUP), count, bytes - count * sizeof(NET_DISPLAY_GROUP));
  if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (size_t k = 0; k < count; ++k) {
    auto* record = static_cast<NET_DISPLAY_GROUP*>(out.Record(k));
    record->grpi3_name = reinterpret_cast<LPWSTR>(out.Put((*groups)[index + k].name));
    record->grpi3_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
    record->grpi3_group_id = static_cast<DWORD>((*groups)[index + k].gid);
    record->grpi3_attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    record->grpi3_next_index = static_cast<DWORD>(index + k + 1);
  }
  *returnedEntryCount = static_cast<DWORD>(count);
  *sortedBuffer = out.Data();
  return index + count < groups->size() ? ERROR_MORE_DATA : NERR_Success;
}

// Levels 0 (names) and 1 (names and attributes).
NETAPI_EXPORT NET_API_STATUS NetGroupGetUsers(LPCWSTR server, LPCWSTR groupName, DWORD level,
                                              LPBYTE* buffer, DWORD preferredMaximumLength,
                                              LPDWORD entriesRead, LPDWORD totalEntries,
                                              DWORD_PTR* resumeHandle) {
  if (buffer == nullptr || entriesRead == nullptr || totalEntries == nullptr || groupName == nullptr)
    return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  *entriesRead = 0;
  *totalEntries = 0;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
  const std::string name = Utf8(groupName);
  const size_t first = resumeHandle != nullptr ? *resumeHandle : 0;
  std::shared_ptr<const Accounts> members;
  if (const NET_API_STATUS status = GroupMembers(name, first == 0, members); status != NERR_Success)
    return status;
  const size_t begin = std::min(first, members->size());
  *totalEntries = static_cast<DWORD>(members->size() - begin);

  const size_t recordSize = level == 0 ? sizeof(GROUP_USERS_INFO_0) : sizeof(GROUP_USERS_INFO_1);
  auto sizeOf = [&](size_t i) { return recordSize + StringBytes((*members)[i].name); };
  size_t bytes = 0;
  const size_t count = PageLength(begin, members->size(), 0xFFFFFFFF, preferredMaximumLength, sizeOf, bytes);
  if (count > 0) {
    RecordWriter out(recordSize, count, bytes - count * recordSize);
    if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t k = 0; k < count; ++k) {
      LPWSTR text = reinterpret_cast<LPWSTR>(out.Put((*members)[begin + k].name));
      if (level == 0) {
        static_cast<GROUP_USERS_INFO_0*>(out.Record(k))->grui0_name = text;
      } else {
        auto* record = static_cast<GROUP_USERS_INFO_1*>(out.Record(k));
        record->grui1_name = text;
        record->grui1_attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
      }
    }
    *buffer = static_cast<LPBYTE>(out.Data());
    HandOut(members->begin() + static_cast<std::ptrdiff_t>(begin),
            members->begin() + static_cast<std::ptrdiff_t>(begin + count));
  }
  *entriesRead = static_cast<DWORD>(count);
  if (begin + count < members->size()) {
    if (resumeHandle != nullptr) *resumeHandle = begin + count;
    return ERROR_MORE_DATA;
  }
  if (resumeHandle != nullptr) *resumeHandle = 0;
  ForgetMembers(name);
  return NERR_Success;
}

// Levels 0 (names) and 10 (names, comments and full names). FILTER_NORMAL_ACCOUNT lists the
// accounts whose UID lies in the normal range of login.defs; 0 lists every account.
NETAPI_EXPORT NET_API_STATUS NetUserEnum(LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer,
                                         DWORD preferredMaximumLength, LPDWORD entriesRead,
                                         LPDWORD totalEntries, LPDWORD resumeHandle) {
  if (buffer == nullptr || entriesRead == nullptr || totalEntries == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  *entriesRead = 0;
  *totalEntries = 0;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  if (level != 0 && level != 10) return ERROR_INVALID_LEVEL;
  constexpr DWORD kKnownFilters = FILTER_TEMP_DUPLICATE_ACCOUNT | FILTER_NORMAL_ACCOUNT |
                                  FILTER_INTERDOMAIN_TRUST_ACCOUNT | FILTER_WORKSTATION_TRUST_ACCOUNT |
                                  FILTER_SERVER_TRUST_ACCOUNT;
  if ((filter & ~kKnownFilters) != 0) return ERROR_INVALID_PARAMETER;
  const size_t first = resumeHandle != nullptr ? *resumeHandle : 0;
  int error = 0;
  const std::shared_ptr<const Accounts> accounts = NormalAccounts(filter, first == 0, error);
  if (accounts == nullptr) return StatusOfErrno(error);
  const size_t begin = std::min(first, accounts->size());
  *totalEntries = static_cast<DWORD>(accounts->size() - begin);

  const size_t recordSize = level == 0 ? sizeof(USER_INFO_0) : sizeof(USER_INFO_10);
  auto sizeOf = [&](size_t i) {
    size_t need = recordSize + StringBytes((*accounts)[i].name);
    if (level == 10)  // the full name and two empty comments
      need += StringBytes((*accounts)[i].fullName) + 2 * sizeof(char16_t);
    return need;
  };
  size_t bytes = 0;
  const size_t count = PageLength(begin, accounts->size(), 0xFFFFFFFF, preferredMaximumLength, sizeOf, bytes);
  if (count > 0) {
    RecordWriter out(recordSize, count, bytes - count * recordSize);
    if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t k = 0; k < count; ++k) {
      const Account& account = (*accounts)[begin + k];
      LPWSTR name = reinterpret_cast<LPWSTR>(out.Put(account.name));
      if (level == 0) {
        static_cast<USER_INFO_0*>(out.Record(k))->usri0_name = name;
      } else {
        auto* record = static_cast<USER_INFO_10*>(out.Record(k));
        record->usri10_name = name;
        record->usri10_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
        record->usri10_usr_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
        record->usri10_full_name = reinterpret_cast<LPWSTR>(out.Put(account.fullName));
      }
    }
    *buffer = static_cast<LPBYTE>(out.Data());
  }
  *entriesRead = static_cast<DWORD>(count);
  const bool more = begin + count < accounts->size();
  if (resumeHandle != nullptr) *resumeHandle = more ? static_cast<DWORD>(begin + count) : 0;
  return more ? ERROR_MORE_DATA : NERR_Success;
}

// Levels 0 (name) and 1 (name and comment; groups of the name service carry no comment).
NETAPI_EXPORT NET_API_STATUS NetGroupGetInfo(LPCWSTR server, LPCWSTR groupName, DWORD level,
                                             LPBYTE* buffer) {
  if (buffer == nullptr || groupName == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
  Group group;
  bool found = false;
  if (const int error = hk::netapi::FindGroup(Utf8(groupName), group, found); error != 0)
    return StatusOfErrno(error);
  if (!found) return NERR_GroupNotFound;
  const std::u16string name = Utf16(group.name);
  const size_t recordSize = level == 0 ? sizeof(GROUP_INFO_0) : sizeof(GROUP_INFO_1);
  RecordWriter out(recordSize, 1, (name.size() + 2) * sizeof(char16_t));
  if (out.Data() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  LPWSTR text = reinterpret_cast<LPWSTR>(out.Put(name));
  if (level == 0) {
    static_cast<GROUP_INFO_0*>(out.Record(0))->grpi0_name = text;
  } else {
    auto* record = static_cast<GROUP_INFO_1*>(out.Record(0));
    record->grpi1_name = text;
    record->grpi1_comment = reinterpret_cast<LPWSTR>(out.Put(std::u16string()));
  }
  *buffer = static_cast<LPBYTE>(out.Data());
  return NERR_Success;
}

// Levels 0 and 10, for any account (normal or not). A member a group listing has just handed
// out is answered, once, from that listing's snapshot.
NETAPI_EXPORT NET_API_STATUS NetUserGetInfo(LPCWSTR server, LPCWSTR userName, DWORD level,
                                            LPBYTE* buffer) {
  if (buffer == nullptr || userName == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  if (!IsLocal(server)) return NERR_InvalidComputer;
  if (level != 0 && level != 10) return ERROR_INVALID_LEVEL;
  const std::string name = Utf8(userName);
  Account account;
  bool found = TakeHandedOut(name, account);
  if (!found) {
    if (const int error = hk::netapi::FindAccount(name, account, found); error != 0) return StatusOfErrno(error);
    if (!found) return NERR_UserNotFound;
  }
  return UserRecord(account, level, buffer);
}
