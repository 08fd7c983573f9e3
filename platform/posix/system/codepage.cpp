// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"

#include <cstring>
#include <string>

namespace {

// Decodes one UTF-8 sequence at text[i..length); returns the code point (U+FFFD for a bad
// sequence) and advances i.
char32_t DecodeUtf8(const unsigned char* text, int length, int& i) {
  const unsigned char c = text[i++];
  if (c < 0x80) return c;
  int extra = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
  else return 0xFFFD;
  if (i + extra > length) { i = length; return 0xFFFD; }
  for (int k = 0; k < extra; ++k) {
    const unsigned char cc = text[i];
    if ((cc & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (cc & 0x3F);
    ++i;
  }
  static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

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
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; i < length;) {
    const char32_t cp = DecodeUtf8(bytes, length, i);
    if (cp >= 0x10000) {
      wide.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(cp));
    }
  }
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
  for (; toNul || i < length; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {  // most text is ASCII
      if (outSize > 0) {
        if (written == outSize) {
          SetLastError(ERROR_INSUFFICIENT_BUFFER);
          return 0;
        }
        out[written] = static_cast<char>(cp);
      }
      ++written;
      if (cp == 0 && toNul) break;
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && (toNul || i + 1 < length) && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = '?';
      if (usedDefault != nullptr) *usedDefault = TRUE;
    }
    int n = 0;
    if (cp < 0x80) {
      bytes[n++] = static_cast<char>(cp);  // the '?' of a lone surrogate
    } else if (cp < 0x800) {
      bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      bytes[n++] = static_cast<char>(0xF0 | (cp >> 18));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    if (outSize > 0) {
      if (written + n > outSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memcpy(out + written, bytes, static_cast<size_t>(n));
    }
    written += n;
  }
  return written;
}

int lstrlenA(LPCSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }
