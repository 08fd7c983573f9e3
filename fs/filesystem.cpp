// CNuFileSystem: files in one root directory named by 32-bit IDs.
#include <hostkit/frame.h>
#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "fs/freespace.h"
#include "platform/scratch.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdio>
#include <random>

namespace {

constexpr DWORD kAllAttributes = 0x19A7;
constexpr int kNameBuffer = 261;  // 260 characters and the terminator

[[noreturn]] void ThrowFileError(DWORD error, const char* name) {
  // A failure always throws, even if the system left no code behind.
  CFileException::ThrowOsError(static_cast<LONG>(error != 0 ? error : ERROR_GEN_FAILURE), name);
  AfxThrowFileException(CFileException::genericException, -1, name);
}

// The scratch name beside path under which CreateFile writes before the data takes path's
// name; it never reads as an ID-named file and is never longer than path's own name.
CString ScratchNameFor(const char* path, unsigned attempt) {
  static std::atomic<unsigned> counter{std::random_device{}()};
  return CString(hk::ScratchNameFor(path, counter.fetch_add(1) + attempt).c_str());
}

// Removes a scratch file that no writer holds any more: a put or a copy that was killed left it
// behind. A writer holds its scratch file open denying others reading it, so a file that
// opens for reading is one nobody is writing. Failures leave it for a later listing.
void ClearAwayScratch(const char* path) {
  HANDLE probe = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return;
  CloseHandle(probe);
  // A copy of a read-only file is read-only from the start.
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path);
}

}  // namespace

CNuFileSystem::CNuFileSystem(const char* root, DWORD value) : m_strRoot(root), m_dwValue(value) {
  if (!PathHasEndSlash(m_strRoot)) AppendEndSlash(m_strRoot);
}

CNuFileSystem::~CNuFileSystem() = default;

CString CNuFileSystem::GetFilePath(DWORD id) {
  char name[kNameBuffer];
  std::snprintf(name, sizeof name, "%08X", static_cast<unsigned>(id));
  return m_strRoot + name;
}

CString CNuFileSystem::GetFilePath(DWORD id, DWORD id2) {
  char name[kNameBuffer];
  std::snprintf(name, sizeof name, "%08X.%d", static_cast<unsigned>(id), static_cast<int>(id2));
  return m_strRoot + name;
}

CString CNuFileSystem::GetFilePath(DWORD id, const char* suffix) {
  char name[kNameBuffer];
  const int length = std::snprintf(name, sizeof name, "%08X.%s", static_cast<unsigned>(id),
                                   suffix != nullptr ? suffix : "");
  // A cut name would point at another file; refuse it instead.
  if (length < 0 || length >= kNameBuffer)
    AfxThrowFileException(CFileException::badPath, ERROR_FILENAME_EXCED_RANGE, suffix);
  return m_strRoot + name;
}

BOOL CNuFileSystem::GetFileIDs(const char* path, DWORD& id, DWORD& id2) {
  const char* slash = FindLastSlash(path);
  const char* name = slash != nullptr ? slash + 1 : path;
  unsigned first = 0;
  int second = 0;
  const int converted = std::sscanf(name, "%08X.%d", &first, &second);
  if (converted >= 1) id = first;
  if (converted != 2) return FALSE;
  id2 = static_cast<DWORD>(second);
  return TRUE;
}

void CNuFileSystem::CreateFile(const char* path, DWORD count, const void* data) {
  // Written under a scratch name and renamed over the file only when complete: a reader never
  // sees a partial file under the ID's name, and a failed write keeps the earlier file.
  CString scratch;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; handle == INVALID_HANDLE_VALUE; ++attempt) {
    scratch = ScratchNameFor(path, attempt);
    // Held without letting others read or write it until it has its name (it is renamed while
    // open): a listing tells it from one whose writer was killed.
    handle = ::CreateFileA(scratch, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && (GetLastError() != ERROR_FILE_EXISTS || attempt == 16))
      ThrowFileError(GetLastError(), path);
  }
  CFile file(handle);
  try {
    file.Write(data, count);
    file.Flush();
  } catch (CException* e) {
    if (e->IsKindOf(RUNTIME_CLASS(CFileException)))
      static_cast<CFileException*>(e)->m_strFileName = path;
    file.Abort();
    ::DeleteFileA(scratch);
    throw;
  }
  if (!::MoveFileExA(scratch, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    file.Abort();
    ::DeleteFileA(scratch);
    ThrowFileError(error, path);
  }
  // The bytes were flushed before the move; closing can tell nothing more.
  file.Abort();
}

void CNuFileSystem::DeleteFile(const char* path) {
  if (::DeleteFileA(path)) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  ThrowFileError(error, path);
}

void CNuFileSystem::CopyFile(const char* source, const char* destination) {
  if (!::CopyFileA(source, destination, TRUE)) ThrowFileError(GetLastError(), source);
}

void CNuFileSystem::MoveFile(const char* source, const char* destination) {
  if (!::MoveFileA(source, destination)) ThrowFileError(GetLastError(), source);
}

void CNuFileSystem::EnumerateFiles(CStringArray& list) {
  CNuFileFinder finder(m_strRoot, "*.*", CNuFileFinder::FindFiles, kAllAttributes,
                       CNuFileFinder::MatchAny, nullptr);
  CString path;
  while (finder.Find(path)) {
    const char* slash = FindLastSlash(path);
    if (hk::IsScratchName(slash != nullptr ? slash + 1 : static_cast<const char*>(path))) {
      ClearAwayScratch(path);
      continue;
    }
    list.Add(path);
  }
}

DWORD CNuFileSystem::GetFreeSpace() {
  hk::fs::FreeSpaceBinding& binding = hk::fs::g_freeSpaceBinding;
  if (!binding.initialised) {
    binding.kernel = AfxLoadLibrary("KERNEL32.DLL");
    if (binding.kernel != nullptr)
      binding.getDiskFreeSpaceEx = reinterpret_cast<hk::fs::DiskFreeSpaceExFunction>(
          reinterpret_cast<void*>(GetProcAddress(binding.kernel, "GetDiskFreeSpaceExA")));
    if (binding.getDiskFreeSpaceEx != nullptr) {
      // One trial call: a binding that cannot be called is dropped for good.
      try {
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER free;
        binding.getDiskFreeSpaceEx("c:\\", &available, &total, &free);
      } catch (...) {
        binding.getDiskFreeSpaceEx = nullptr;
      }
    }
    if (binding.getDiskFreeSpaceEx == nullptr && binding.kernel != nullptr) {
      AfxFreeLibrary(binding.kernel);
      binding.kernel = nullptr;
    }
    binding.initialised = TRUE;
  }
  if (binding.getDiskFreeSpaceEx != nullptr) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    if (!binding.getDiskFreeSpaceEx(m_strRoot, &available, &total, &free)) return 0xFFFFFFFF;
    if ((available.QuadPart >> 32) != 0) return 0xFFFFFFFF;
    return static_cast<DWORD>(available.QuadPart);
  }
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!GetDiskFreeSpaceA(m_strRoot, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
    return 0xFFFFFFFF;
  const uint64_t bytes = static_cast<uint64_t>(bytesPerSector) * sectorsPerCluster * freeClusters;
  if ((bytes >> 32) != 0) return 0xFFFFFFFF;
  return static_cast<DWORD>(bytes);
}
