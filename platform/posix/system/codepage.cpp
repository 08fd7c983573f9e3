// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/codepage.h"
#include "platform/win32.h"

#include <cstring>
#include <string>

namespace {

bool SupportedCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int length, LPWSTR out, int outSize) {
  if (!SupportedCodePage(codePage) || text == nullptr || outSize < 0 ||
      (outSize > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (length < 0) length = static_cast<int>(std::strlen(text)) + 1;
  std::u16string wide;
  hk::posix::utf::DecodeUtf8(reinterpret_cast<const unsigned char*>(text), static_cast<size_t>(length),
                             [&](char16_t unit) { wide.push_back(unit); });
  if (outSize == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(outSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, wide.data(), wide.size() * sizeof(WCHAR));
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR text, int length, LPSTR out, int outSize,
                        LPCSTR, BOOL* usedDefault) {
  if (!SupportedCodePage(codePage) || text == nullptr || outSize < 0 ||
      (outSize > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // length -1: up to and including the NUL, found on the way.
  const bool toNul = length < 0;
  if (usedDefault != nullptr) *usedDefault = FALSE;
  // Written straight into the caller's buffer in one pass (listings convert thousands of
  // names); with no buffer, only counted.
  int written = 0;
  char bytes[4];
  int i = 0;
  if (outSize > 0) {
    // A run of ASCII, the common case, copied with the fewest checks.
    for (; (toNul || i < length) && text[i] < 0x80 && written < outSize; ++i) {
      out[written++] = static_cast<char>(text[i]);
      if (text[i] == 0 && toNul) return written;
    }
  }
  bool replaced = false;
  for (size_t at = static_cast<size_t>(i); toNul || at < static_cast<size_t>(length);) {
    if (text[at] < 0x80) {  // most text is ASCII
      const bool end = text[at] == 0 && toNul;
      if (outSize > 0) {
        if (written == outSize) {
          SetLastError(ERROR_INSUFFICIENT_BUFFER);
          return 0;
        }
        out[written] = static_cast<char>(text[at]);
      }
      ++written;
      ++at;
      if (end) break;
      continue;
    }
    const bool pairPossible = toNul || at + 1 < static_cast<size_t>(length);
    const int n = hk::posix::utf::EncodeUtf8(text, at, pairPossible ? text[at + 1] : 0, bytes, replaced);
    if (outSize > 0) {
      if (written + n > outSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memcpy(out + written, bytes, static_cast<size_t>(n));
    }
    written += n;
  }
  if (replaced && usedDefault != nullptr) *usedDefault = TRUE;
  return written;
}

int lstrlenA(LPCSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }
