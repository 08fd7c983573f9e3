// Windows side of the checksum reader declared in platform/scanfile.h.
#include "platform/scanfile.h"

#include "platform/win32.h"

namespace hk {

BOOL OpenScanFile(LPCSTR name, ScanFile& file) {
  // Reading, sharing reading and deleting: writers are kept out.
  HANDLE handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  LARGE_INTEGER size{};
  DWORD error = ERROR_SUCCESS;
  if (GetFileType(handle) != FILE_TYPE_DISK) error = ERROR_OPEN_FAILED;
  else if (!GetFileSizeEx(handle, &size)) error = GetLastError();
  if (error != ERROR_SUCCESS) {
    CloseHandle(handle);
    SetLastError(error);
    return FALSE;
  }
  file.native = reinterpret_cast<intptr_t>(handle);
  file.size = static_cast<uint64_t>(size.QuadPart);
  return TRUE;
}

BOOL ReadScanFile(const ScanFile& file, uint64_t offset, void* buffer, DWORD count, DWORD* read) {
  auto* bytes = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < count) {
    OVERLAPPED at{};
    const uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file.native), bytes + done, count - done, &n, &at)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      *read = done;
      SetLastError(error);
      return FALSE;
    }
    if (n == 0) break;
    done += n;
    if (offset + done >= file.size) break;
  }
  *read = done;
  return TRUE;
}

void CloseScanFile(ScanFile& file) {
  if (file.native != -1) CloseHandle(reinterpret_cast<HANDLE>(file.native));
  file.native = -1;
}

}  // namespace hk
