// The test directory: a name service with 2,000 normal accounts and some 600 groups, written as
// passwd and group files for nss_wrapper, and the answers expected of it. The parent writes the
// files; the child that reads them through the library rebuilds the model to compare with.
#pragma once

#include "tests/support/fixtures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

namespace hk::test::netsec {

struct TestUser {
  std::string name;
  unsigned uid;
  unsigned gid;
  std::string gecos;
  std::string fullName;  // what the listings should report
};

struct TestGroup {
  std::string name;
  unsigned gid;
  std::vector<std::string> listed;
};

// login.defs of the test host: the normal range is not the default one.
constexpr unsigned kUidMin = 2000;
constexpr unsigned kUidMax = 50000;
constexpr unsigned kStaffGid = 30000;
constexpr int kGenerated = 1998;
// An account whose record, with its full name, is larger than the first buffer a look-up by
// name reads with (16 KB).
constexpr int kLongGecos = 1235;
// An account and a group named in Latin-1 ("caf\xE9"), which is not UTF-8.
constexpr const char* kLatin1Name = "caf\xE9";

inline std::string Numbered(const char* prefix, int width, int n) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%0*d", prefix, width, n);
  return text;
}

struct TestDirectory {
  std::vector<TestUser> users;  // in file order
  std::vector<TestGroup> groups;

  TestDirectory() {
    // File order is a permutation of name order, so that the listings' order is their own.
    for (int k = 0; k < kGenerated; ++k) {
      const int i = (k * 7919) % kGenerated;
      const std::string n = std::to_string(i);
      TestUser u{Numbered("user", 4, i), 5000u + i, i >= 1700 ? kStaffGid : 20000u + i % 600, "", ""};
      if (i == kLongGecos) {
        for (int part = 0; part < 2000; ++part) u.fullName += "Long name " + std::to_string(part) + " ";
        u.gecos = u.fullName + ",Room " + n;
      } else if (i % 7 == 1) {  // a full name and the other GECOS fields
        u.gecos = "Name " + n + ",Room " + n + ",555-0100,,";
        u.fullName = "Name " + n;
      } else if (i % 7 != 0) {  // (every seventh has no full name at all)
        u.gecos = u.fullName = (i % 11 == 2 ? "Zo\xC3\xAB \xC3\x9Cnal " : "Person ") + n;
      }
      users.push_back(u);
    }
    // The edges of the normal range; accounts outside it, listed by nobody yet members of their
    // groups; a Latin-1 name and full name that must come back byte for byte; a name the
    // service reports twice, whose first record counts.
    users.insert(users.end(), {{"edge-min", kUidMin, 20000, "Edge Min", "Edge Min"},
                               {"edge-max", kUidMax, 20000, "", ""},
                               {"root", 0, 0, "root", "root"},
                               {"below", kUidMin - 1, kStaffGid, "Just Below", "Just Below"},
                               {"above", kUidMax + 1, 20000, "Just Above", "Just Above"},
                               {"nobody", 65534, 65534, "nobody", "nobody"},
                               {kLatin1Name, kUidMax + 2, 30004, "Andr\xE9", "Andr\xE9"},
                               {"user0008", 5008, 20008, "Second Record", "Second Record"}});

    groups.push_back(TestGroup{"root", 0, {}});
    for (int j = 0; j < 600; ++j)
      groups.push_back(TestGroup{Numbered("grp", 3, j), 20000u + j,
                                 {Numbered("user", 4, (j * 3) % 1700), Numbered("user", 4, (j * 3 + 1) % 1700)}});
    // Staff: 710 listed members, ten of which also have it as their primary group, plus the
    // 298 generated accounts and one system account whose primary group it is.
    TestGroup staff{"staff", kStaffGid, {}};
    for (int i = 0; i < 710; ++i) staff.listed.push_back(Numbered("user", 4, i < 700 ? i : i + 1000));
    // A member without an account between two that have one; a record listing every generated
    // account (some 34 KB with the member pointers); one of some 375 KB, beyond the first
    // buffer an enumeration reads with (256 KB), whose members have no accounts.
    TestGroup crowd{"crowd", 30002, {}}, huge{"huge", 30003, {}};
    for (int i = 0; i < kGenerated; ++i) crowd.listed.push_back(Numbered("user", 4, (i * 31) % kGenerated));
    for (int i = 0; i < 25000; ++i) huge.listed.push_back(Numbered("member", 5, i));
    groups.insert(groups.end(), {staff, {kLatin1Name, 30004, {kLatin1Name}},
                                 {"broken", 30001, {"user0001", "zz-ghost", "user0002"}}, crowd, huge});
  }

  std::string PasswdText() const {
    std::string text;
    for (const TestUser& u : users)
      text += u.name + ":x:" + std::to_string(u.uid) + ":" + std::to_string(u.gid) + ":" + u.gecos + ":/home/" +
              u.name + ":/bin/sh\n";
    return text;
  }

  std::string GroupText() const {
    std::string text;
    for (const TestGroup& g : groups) {
      text += g.name + ":x:" + std::to_string(g.gid) + ":";
      for (const std::string& name : g.listed) text += name + (&name == &g.listed.back() ? "" : ",");
      text += "\n";
    }
    return text;
  }

  // Normal accounts in name order, each name once (its first record).
  std::vector<const TestUser*> NormalUsers() const {
    std::vector<const TestUser*> normal;
    for (const TestUser& u : users)
      if (u.uid >= kUidMin && u.uid <= kUidMax) normal.push_back(&u);
    std::stable_sort(normal.begin(), normal.end(), [](auto* a, auto* b) { return a->name < b->name; });
    normal.erase(std::unique(normal.begin(), normal.end(), [](auto* a, auto* b) { return a->name == b->name; }),
                 normal.end());
    return normal;
  }

  std::vector<std::string> GroupNames() const {
    std::set<std::string> names;
    for (const TestGroup& g : groups) names.insert(g.name);
    return std::vector<std::string>(names.begin(), names.end());
  }

  // Listed members that have an account and primary-group members, each once, in name order.
  std::vector<std::string> MembersOf(const std::string& group) const {
    std::set<std::string> members;
    for (const TestGroup& g : groups)
      if (g.name == group) {
        for (const std::string& name : g.listed)
          if (FullNameOf(name) != "?") members.insert(name);
        for (const TestUser& u : users)
          if (u.gid == g.gid) members.insert(u.name);
      }
    return std::vector<std::string>(members.begin(), members.end());
  }

  std::string FullNameOf(const std::string& user) const {
    for (const TestUser& u : users)
      if (u.name == user) return u.fullName;
    return "?";
  }
};

inline const TestDirectory& Directory() {
  static const TestDirectory directory;
  return directory;
}

#if !defined(_WIN32)
// What a program preloads: nss_wrapper, behind the address sanitizer's run-time when this
// process carries one (a program of the same build does too; the run-time must come first, and
// it keeps nss_wrapper from binding libc in a way the sanitizer cannot follow).
inline std::string NssWrapperPreload() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    const size_t path = line.find('/');
    if (path != std::string::npos && line.find("libasan.so", path) != std::string::npos)
      return line.substr(path) + " libnss_wrapper.so";
  }
  return "libnss_wrapper.so";
}

// The test host's configuration under dir/etc (HOSTKIT_SYSCONF_DIR): login.defs and the domain
// configuration.
inline void WriteTestHost(const hk::test::TempDir& dir) {
  for (const char* folder : {"etc", "etc/sssd", "etc/samba"}) mkdir((dir / folder).c_str(), 0700);
  dir.WriteFile("etc/login.defs", "# test host\nUID_MIN\t\t" + std::to_string(kUidMin) + "\nUID_MAX " +
                                      std::to_string(kUidMax) + "\n");
  dir.WriteFile("etc/sssd/sssd.conf", "[sssd]\nservices = nss, pam\ndomains = EXAMPLE.TEST\n\n"
                                      "[domain/EXAMPLE.TEST]\nid_provider = ad\nad_server = dc1.example.test, _srv_\n");
  dir.WriteFile("etc/samba/smb.conf", "[global]\n   workgroup = LABS\n   security = user\n");
}
#endif

}  // namespace hk::test::netsec
