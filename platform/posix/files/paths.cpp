// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/files/files.h"

#include "platform/posix/system/internal.h"
#include "platform/posix/system/environment.h"
#include "platform/win32.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Hands a text out by the Win32 size convention: the characters copied without the NUL when
// the buffer holds the text and its NUL, the size needed including the NUL otherwise.
DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer) {
  const size_t needed = text.size() + 1;
  if (needed > 0xFFFFFFFFu) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  if (buffer == nullptr || size < needed) return static_cast<DWORD>(needed);
  std::memcpy(buffer, text.c_str(), needed);
  return static_cast<DWORD>(text.size());
}

bool CurrentDirectory(std::string& out) {
  std::vector<char> buffer(512);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      out = buffer.data();
      return true;
    }
    if (errno != ERANGE) {
      hk::posix::FailWithErrno(errno);
      return false;
    }
    buffer.resize(buffer.size() * 2);
  }
}

// The full form of a name: relative names are taken from the current directory, '\' counts
// as '/', "." and ".." segments are resolved as text (".." at the root stays there) and empty
// segments vanish. A trailing slash of the name survives unless the name ends in a dot segment.
bool FullName(const char* name, std::string& out) {
  std::string text = name;
  for (char& c : text)
    if (c == '\\') c = '/';
  if (text.empty() || text[0] != '/') {
    std::string current;
    if (!CurrentDirectory(current)) return false;
    text = current + "/" + text;
  }
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string segment = text.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string full(1, '/');
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) full += '/';
    full += segments[i];
  }
  if (!segments.empty() && text.back() == '/') full += '/';
  out.swap(full);
  return true;
}

bool IsNetworkFileSystem(unsigned long type) {
  switch (type) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x73757245:  // Coda
    case 0x5346414F:  // AFS
    case 0x6B414653:  // kAFS
    case 0x00C36400:  // Ceph
    case 0x564C:      // NCP
    case 0x01161970:  // GFS2
    case 0x47504653:  // GPFS
    case 0x0BD00BD0:  // Lustre
    case 0x01021997:  // 9P
      return true;
    default:
      return false;
  }
}

bool IsMemoryFileSystem(unsigned long type) {
  return type == 0x01021994 /* tmpfs */ || type == 0x858458F6 /* ramfs */;
}

bool IsOpticalFileSystem(unsigned long type) {
  return type == 0x9660 /* ISO 9660 */ || type == 0x15013346 /* UDF */;
}

constexpr unsigned long kFuseMagic = 0x65735546;

// FUSE file systems that reach their files over the network, by the subtype of the mount
// table's type (fuse.sshfs).
bool IsNetworkFuseType(const std::string& mountType) {
  static const char* const kNetwork[] = {"sshfs", "rclone", "s3fs", "gcsfuse", "curlftpfs", "smbnetfs",
                                         "glusterfs", "ceph-fuse", "davfs", "davfs2", "afpfs"};
  if (mountType.rfind("fuse.", 0) != 0) return false;
  const std::string subtype = mountType.substr(5);
  for (const char* name : kNetwork)
    if (subtype == name) return true;
  return false;
}

// The type the mount table gives the file system of a device ("fuse.sshfs"), or "" when it
// does not list it.
std::string MountTypeOf(dev_t device) {
  std::ifstream table("/proc/self/mountinfo");
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::string line;
  while (std::getline(table, line)) {
    // id parent major:minor root mount-point options [optional fields] - type source options
    const size_t first = line.find(' ');
    const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos || line.compare(second + 1, wanted.size() + 1, wanted + " ") != 0) continue;
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    const size_t end = line.find(' ', dash + 3);
    return line.substr(dash + 3, end == std::string::npos ? std::string::npos : end - dash - 3);
  }
  return std::string();
}

// Whether the block device holding a file is one the kernel marks removable; a partition
// answers for the disk it belongs to.
bool OnRemovableDevice(dev_t device) {
  const std::string base = "/sys/dev/block/" + std::to_string(major(device)) + ":" +
                           std::to_string(minor(device));
  for (const char* place : {"/removable", "/../removable"}) {
    std::ifstream flag(base + place);
    char value = 0;
    if (flag.get(value)) return value == '1';
  }
  return false;
}

}  // namespace

UINT hk::posix::DriveTypeOfFileSystem(unsigned long magic, const std::string& mountType) {
  if (IsNetworkFileSystem(magic) || (magic == kFuseMagic && IsNetworkFuseType(mountType))) return DRIVE_REMOTE;
  if (IsMemoryFileSystem(magic)) return DRIVE_RAMDISK;
  if (IsOpticalFileSystem(magic)) return DRIVE_CDROM;
  return DRIVE_FIXED;
}

std::string hk::DriveRootOf(const char* path) {
  // Names that start with a drive (C:\) follow the drive text rule; here they are relative
  // names, usually of nothing.
  if (path[0] != '/' && path[0] != '\\') return std::string(path, 3);
  // An absolute name lives on the volume of its nearest existing directory.
  std::string directory = path;
  for (char& c : directory)
    if (c == '\\') c = '/';
  for (;;) {
    struct stat st {};
    if (directory.size() <= 1 || (::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) break;
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    const size_t slash = directory.find_last_of('/');
    directory.resize(slash == 0 ? 1 : slash);
  }
  return directory.empty() ? std::string("/") : directory;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  std::string current;
  if (!CurrentDirectory(current)) return 0;
  return CopyOut(current, size, buffer);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* configured = hk::posix::EnvironmentSetting("TMPDIR");
  std::string full;
  if (!FullName(configured != nullptr ? configured : "/tmp", full)) return 0;
  if (full.back() != '/') full += '/';
  return CopyOut(full, size, buffer);
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::string full;
  if (!FullName(name, full)) return 0;
  const DWORD result = CopyOut(full, size, buffer);
  if (result != 0 && result < size && filePart != nullptr) {
    const size_t slash = full.find_last_of('/');
    *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  return result;
}

UINT GetDriveTypeA(LPCSTR root) {
  std::string path = ".";
  if (root != nullptr && !hk::posix::NativePath(root, path)) return DRIVE_NO_ROOT_DIR;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return DRIVE_NO_ROOT_DIR;
  struct statfs fs {};
  if (::statfs(path.c_str(), &fs) != 0) return DRIVE_UNKNOWN;
  const auto type = static_cast<unsigned long>(static_cast<uint32_t>(fs.f_type));
  const UINT kind = hk::posix::DriveTypeOfFileSystem(type, type == kFuseMagic ? MountTypeOf(st.st_dev) : std::string());
  if (kind == DRIVE_FIXED && OnRemovableDevice(st.st_dev)) return DRIVE_REMOVABLE;
  return kind;
}

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }
