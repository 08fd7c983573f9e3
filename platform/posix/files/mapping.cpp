// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/files/files.h"

#include "platform/posix/files/fileobject.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace hk::posix {

namespace {

// A mapping keeps its own descriptor of the file, so closing the file handle first (which
// Windows allows) leaves the mapping usable.
struct MappingObject : HandleObject {
  int fd = -1;
  DWORD protect = 0;
  uint64_t size = 0;
  ~MappingObject() override {
    if (fd >= 0) ::close(fd);
  }
  bool Close() override {
    const int closing = fd;
    fd = -1;
    if (closing >= 0 && ::close(closing) != 0 && errno != EINTR) {
      SetLastError(Win32ErrorFromErrno(errno));
      return false;
    }
    return true;
  }
};

// Live views by base address, with their lengths for munmap.
struct ViewTable {
  std::mutex lock;
  std::map<const void*, size_t> views;
};

ViewTable& Views() {
  static ViewTable* table = new ViewTable;  // outlives every static destructor
  return *table;
}

constexpr uint64_t kAllocationGranularity = 65536;

}  // namespace

}  // namespace hk::posix

using hk::posix::MappingObject;

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name) {
  if (name != nullptr || file == INVALID_HANDLE_VALUE ||
      (protect != PAGE_READONLY && protect != PAGE_READWRITE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  hk::posix::FileObject* f = hk::posix::HandleAs<hk::posix::FileObject>(file);
  if (f == nullptr) return nullptr;
  if (!(f->access & GENERIC_READ) || (protect == PAGE_READWRITE && !(f->access & GENERIC_WRITE))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(f->fd, &st) != 0) {
    hk::posix::FailWithErrno(errno);
    return nullptr;
  }
  const uint64_t asked = (static_cast<uint64_t>(maximumSizeHigh) << 32) | maximumSizeLow;
  const auto current = static_cast<uint64_t>(st.st_size);
  uint64_t size = asked == 0 ? current : asked;
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (size > current) {
    // Only a writable mapping may make the file longer, as on Windows.
    if (protect != PAGE_READWRITE) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    if (!hk::posix::GrowFile(f->fd, static_cast<off_t>(current), static_cast<off_t>(size))) return nullptr;
  }
  const int fd = ::fcntl(f->fd, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    hk::posix::FailWithErrno(errno);
    return nullptr;
  }
  auto* mapping = new MappingObject;
  mapping->fd = fd;
  mapping->protect = protect;
  mapping->size = size;
  SetLastError(ERROR_SUCCESS);
  return hk::posix::RegisterHandle(mapping);
}

LPVOID MapViewOfFile(HANDLE handle, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  MappingObject* mapping = hk::posix::HandleAs<MappingObject>(handle);
  if (mapping == nullptr) return nullptr;
  const bool write = (access & FILE_MAP_WRITE) != 0;
  if (!write && !(access & FILE_MAP_READ)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (write && mapping->protect != PAGE_READWRITE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const uint64_t offset = (static_cast<uint64_t>(offsetHigh) << 32) | offsetLow;
  if (offset % hk::posix::kAllocationGranularity != 0) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  if (offset >= mapping->size || (bytes != 0 && bytes > mapping->size - offset)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const size_t length = bytes != 0 ? bytes : static_cast<size_t>(mapping->size - offset);
  void* view = ::mmap(nullptr, length, write ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED,
                      mapping->fd, static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    hk::posix::FailWithErrno(errno);
    return nullptr;
  }
  hk::posix::ViewTable& table = hk::posix::Views();
  std::lock_guard<std::mutex> guard(table.lock);
  table.views[view] = length;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID base) {
  hk::posix::ViewTable& table = hk::posix::Views();
  size_t length = 0;
  {
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.views.find(base);
    if (it == table.views.end()) return hk::posix::FailWith(ERROR_INVALID_ADDRESS);
    length = it->second;
    table.views.erase(it);
  }
  if (::munmap(const_cast<void*>(base), length) != 0) return hk::posix::FailWithErrno(errno);
  return TRUE;
}
