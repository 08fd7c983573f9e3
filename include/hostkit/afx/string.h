// CString: an ANSI text string with value semantics and the buffer protocol host code relies
// on (GetBuffer, then ReleaseBuffer(-1) to take the length up to the first NUL).
#pragma once

#include <hostkit/config.h>
#include <hostkit/win32types.h>

#include <cstdarg>
#include <string>

class HOSTKIT_API CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(const char* text);                 // NULL gives an empty string
  CString(const char* text, int length);     // the first length bytes
  CString(char ch, int repeat = 1);
  CString(const WCHAR* wide);                // converted from UTF-16 with the ANSI code page
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(const char* text);
  CString& operator=(char ch);
  CString& operator=(const WCHAR* wide);

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  char GetAt(int index) const { return m_text[static_cast<size_t>(index)]; }
  void SetAt(int index, char ch) { m_text[static_cast<size_t>(index)] = ch; }
  char operator[](int index) const { return GetAt(index); }
  operator const char*() const { return m_text.c_str(); }

  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

  int Compare(const char* text) const;
  int CompareNoCase(const char* text) const;

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  int Find(char ch) const;
  int Find(char ch, int start) const;
  int Find(const char* sub) const;
  int Find(const char* sub, int start) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* charSet) const;

  void MakeLower();  // ASCII letters only, as the C locale folds them
  void MakeUpper();
  void TrimLeft();   // white space as isspace() of the C locale sees it
  void TrimRight();
  void TrimLeft(char target);
  void TrimRight(char target);
  int Replace(char oldCh, char newCh);
  int Replace(const char* oldText, const char* newText);

  void Format(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  void FormatV(const char* format, va_list args);

  // A writable buffer of at least minLength characters plus a NUL; the current text stays in
  // it. Until ReleaseBuffer no other member may be used.
  char* GetBuffer(int minLength);
  char* GetBufferSetLength(int length);
  // newLength -1: the text ends at the first NUL in the buffer.
  void ReleaseBuffer(int newLength = -1);

  const std::string& str() const { return m_text; }

 private:
  std::string m_text;
};

HOSTKIT_API CString operator+(const CString& a, const CString& b);
HOSTKIT_API CString operator+(const CString& a, const char* b);
HOSTKIT_API CString operator+(const char* a, const CString& b);
HOSTKIT_API CString operator+(const CString& a, char b);
HOSTKIT_API CString operator+(char a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
inline bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
inline bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
