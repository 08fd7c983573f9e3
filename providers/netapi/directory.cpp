// Reading the name service. The enumeration calls share one cursor per process, so they are
// serialised here; records of any length are read into buffers that grow on ERANGE.
#include "providers/netapi/directory.h"

#include "platform/posix/net/netconfig.h"

#include <grp.h>
#include <pwd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace hk::netapi {
namespace {

// Look-ups by name start small. An enumeration starts large, as growing its buffer means
// reading it again from the start (see ReadEnumeration); the buffer is left uninitialised, so
// only the pages a record fills are ever touched.
constexpr size_t kFirstBufferSize = 16384;
constexpr size_t kFirstEnumerationBufferSize = 256 * 1024;
constexpr size_t kLargestBufferSize = 16 * 1024 * 1024;

// A buffer for the reentrant calls, left uninitialised.
class Buffer {
 public:
  // false when memory ran out.
  bool Allocate(size_t size) {
    m_data.reset(new (std::nothrow) char[size]);
    m_size = m_data != nullptr ? size : 0;
    return m_data != nullptr;
  }
  char* Data() const { return m_data.get(); }
  size_t Size() const { return m_size; }

 private:
  std::unique_ptr<char[]> m_data;
  size_t m_size = 0;
};

std::mutex g_cursorLock;

// Service answers that mean "no such record" rather than a failure.
bool MeansNotFound(int error) {
  return error == ENOENT || error == ESRCH || error == EBADF || error == EPERM;
}

Account AccountOf(const passwd& pw) {
  const char* gecos = pw.pw_gecos != nullptr ? pw.pw_gecos : "";
  return Account{pw.pw_name, std::string(gecos, std::strcspn(gecos, ",")), pw.pw_uid, pw.pw_gid};
}

Group GroupOf(const group& gr) {
  Group g{gr.gr_name, gr.gr_gid, {}};
  for (char** member = gr.gr_mem; member != nullptr && *member != nullptr; ++member)
    g.members.emplace_back(*member);
  return g;
}

// The error number a reentrant look-up answered: its result, as the standard has it, or errno
// where an implementation answers -1 and leaves the number there.
template <typename Call>
int ErrorOf(Call call) {
  errno = 0;
  const int result = call();
  if (result >= 0) return result;
  return errno != 0 ? errno : EIO;
}

// Calls read(buffer, size) until it stops answering ERANGE, doubling the buffer each time.
template <typename Read>
int WithGrowingBuffer(Buffer& buffer, Read read) {
  if (!buffer.Allocate(kFirstBufferSize)) return ENOMEM;
  for (;;) {
    const int error = ErrorOf([&] { return read(buffer.Data(), buffer.Size()); });
    if (error != ERANGE) return error;
    if (buffer.Size() >= kLargestBufferSize) return ERANGE;
    if (!buffer.Allocate(buffer.Size() * 2)) return ENOMEM;
  }
}

// Reads a whole enumeration (rewind, next record, end), handing each record to take(). A record
// larger than the buffer is read again with a larger one from a rewound enumeration, passing
// over the records already taken: some services stay on a record they answered ERANGE for,
// others move past it, and reading again from the start suits both. Result: 0 at the end of
// the enumeration, or the errno value the service failed with.
template <typename Record, typename Next, typename Take>
int ReadEnumeration(void (*rewind)(), Next next, void (*end)(), Take take) {
  Buffer buffer;
  if (!buffer.Allocate(kFirstEnumerationBufferSize)) return ENOMEM;
  size_t taken = 0;
  size_t skip = 0;
  int error = 0;
  rewind();
  for (;;) {
    Record record{};
    Record* result = nullptr;
    error = ErrorOf([&] { return next(&record, buffer.Data(), buffer.Size(), &result); });
    if (error == ERANGE && buffer.Size() < kLargestBufferSize) {
      if (!buffer.Allocate(buffer.Size() * 2)) {
        error = ENOMEM;
        break;
      }
      rewind();
      skip = taken;
      continue;
    }
    if (error != 0 || result == nullptr) break;
    if (skip > 0) {
      --skip;
      continue;
    }
    take(record);
    ++taken;
  }
  end();
  return error == ENOENT ? 0 : error;  // ENOENT: the end of the enumeration
}

// Name order; of two records with one name the first read stays. An index is sorted and the
// records then put in its order in place, following the cycles of the permutation, so each is
// moved about once and no second array is needed.
template <typename T>
void SortByName(std::vector<T>& items) {
  std::vector<uint32_t> order(items.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return items[a].name < items[b].name; });
  // order[at] is the record that belongs at `at`; a placed position is marked order[at] == at.
  for (uint32_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    T held = std::move(items[start]);
    uint32_t at = start;
    for (;;) {
      const uint32_t from = order[at];
      order[at] = at;
      if (from == start) {
        items[at] = std::move(held);
        break;
      }
      items[at] = std::move(items[from]);
      at = from;
    }
  }
  items.erase(std::unique(items.begin(), items.end(), [](const T& a, const T& b) { return a.name == b.name; }),
              items.end());
}

bool ReadNumber(const std::string& text, uid_t& value) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str() || *end != '\0' || number > 0xFFFFFFFFull) return false;
  value = static_cast<uid_t>(number);
  return true;
}

}  // namespace

UidRange NormalUidRange() {
  UidRange range{1000, 60000};
  // Read with stdio, a line at a time: the file is a few hundred lines, mostly comments, and
  // every listing reads it.
  FILE* file = std::fopen(posix::netconfig::SystemFile("login.defs").c_str(), "re");
  if (file == nullptr) return range;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    const char* key = line + std::strspn(line, " \t");
    if (std::strncmp(key, "UID_M", 5) != 0) continue;  // neither setting
    const size_t keyLength = std::strcspn(key, " \t\r\n");
    const char* value = key + keyLength + std::strspn(key + keyLength, " \t");
    const std::string text(value, std::strcspn(value, " \t\r\n"));
    if (keyLength == 7 && std::strncmp(key, "UID_MIN", 7) == 0) ReadNumber(text, range.first);
    if (keyLength == 7 && std::strncmp(key, "UID_MAX", 7) == 0) ReadNumber(text, range.last);
  }
  std::fclose(file);
  return range;
}

int ReadAccounts(std::vector<Account>& accounts) {
  std::lock_guard<std::mutex> guard(g_cursorLock);
  const int error = ReadEnumeration<passwd>(setpwent, getpwent_r, endpwent,
                                            [&](const passwd& pw) { accounts.push_back(AccountOf(pw)); });
  SortByName(accounts);
  return error;
}

int ReadGroups(std::vector<Group>& groups) {
  std::lock_guard<std::mutex> guard(g_cursorLock);
  const int error = ReadEnumeration<group>(setgrent, getgrent_r, endgrent,
                                           [&](const group& gr) { groups.push_back(GroupOf(gr)); });
  SortByName(groups);
  return error;
}

int FindAccount(const std::string& name, Account& account, bool& found) {
  Buffer buffer;
  passwd pw{};
  passwd* result = nullptr;
  const int error = WithGrowingBuffer(buffer, [&](char* data, size_t size) {
    return getpwnam_r(name.c_str(), &pw, data, size, &result);
  });
  found = error == 0 && result != nullptr;
  if (found) account = AccountOf(pw);
  return error == 0 || MeansNotFound(error) ? 0 : error;
}

int FindGroup(const std::string& name, Group& group, bool& found) {
  Buffer buffer;
  struct group gr{};
  struct group* result = nullptr;
  const int error = WithGrowingBuffer(buffer, [&](char* data, size_t size) {
    return getgrnam_r(name.c_str(), &gr, data, size, &result);
  });
  found = error == 0 && result != nullptr;
  if (found) group = GroupOf(gr);
  return error == 0 || MeansNotFound(error) ? 0 : error;
}

}  // namespace hk::netapi
