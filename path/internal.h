// Path functions the library uses inside itself and does not export.
#pragma once

#include <hostkit/path.h>

#include "platform/win32.h"

namespace hk::path {

// A name taken apart: drive (2 characters at most), directory part (up to and including the
// last slash), base name and extension (from the last dot after the last slash, dot included).
// The base name and extension are each cut to 255 characters; the directory part is kept whole.
struct SplitName {
  CString drive;
  CString directory;
  CString base;
  CString extension;
};
SplitName SplitPathName(const char* path);

// The library's one way of asking the system for a full path name. Result as the system's
// full-path query: 0 on failure; when the buffer is too small, the size needed including the
// NUL; otherwise the characters written without the NUL. A name whose second and third
// characters are a colon and a space (C: x) fails without asking the system
// (ERROR_INVALID_NAME). buffer may be NULL when length is 0; filePart may be NULL.
DWORD QueryFullPathName(const char* path, DWORD length, char* buffer, char** filePart);

// Base name of name matches base name of spec, and extension matches extension; drives and
// directories of both are ignored.
BOOL NameMatchesSpec(const CString& name, const CString& spec);

// Whether pattern, from index p on, matches the whole of text from index t on. '*' matches any
// run of characters, '?' one character or none, ASCII letters match either case, every other
// byte only itself. Indexes outside 0..length give FALSE. Takes time proportional to the
// product of the two lengths at worst.
BOOL MatchWildcard(const CString& pattern, int p, const CString& text, int t);

}  // namespace hk::path
