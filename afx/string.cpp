// CString. Text is bytes in the process code page; comparisons are byte-wise (strcmp), case
// folding touches ASCII letters only.
#include <hostkit/afx/string.h>

#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string FromWide(const WCHAR* wide) {
  if (wide == nullptr || *wide == 0) return std::string();
  const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(needed));
  WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer.data(), needed, nullptr, nullptr);
  return std::string(buffer.data());
}

}  // namespace

CString::CString(const char* text) : m_text(text != nullptr ? text : "") {}

CString::CString(const char* text, int length)
    : m_text(text != nullptr && length > 0 ? std::string(text, static_cast<size_t>(length))
                                           : std::string()) {}

CString::CString(char ch, int repeat) : m_text(repeat > 0 ? static_cast<size_t>(repeat) : 0, ch) {}

CString::CString(const WCHAR* wide) : m_text(FromWide(wide)) {}

CString& CString::operator=(const char* text) {
  m_text = text != nullptr ? text : "";
  return *this;
}

CString& CString::operator=(char ch) {
  m_text.assign(1, ch);
  return *this;
}

CString& CString::operator=(const WCHAR* wide) {
  m_text = FromWide(wide);
  return *this;
}

CString& CString::operator+=(const CString& other) {
  m_text += other.m_text;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text != nullptr) m_text += text;
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

int CString::Compare(const char* text) const {
  return std::strcmp(m_text.c_str(), text != nullptr ? text : "");
}

int CString::CompareNoCase(const char* text) const {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  const auto* a = reinterpret_cast<const unsigned char*>(m_text.c_str());
  const auto* b = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
  for (;; ++a, ++b) {
    const int d = fold(*a) - fold(*b);
    if (d != 0 || *a == 0) return d;
  }
}

CString CString::Left(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_text.c_str(), count);
}

CString CString::Mid(int first) const { return Mid(first, GetLength() - std::max(first, 0)); }

CString CString::Mid(int first, int count) const {
  first = std::clamp(first, 0, GetLength());
  count = std::clamp(count, 0, GetLength() - first);
  return CString(m_text.c_str() + first, count);
}

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_text.c_str() + (GetLength() - count), count);
}

int CString::Find(char ch) const { return Find(ch, 0); }

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const size_t pos = m_text.find(ch, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub) const { return Find(sub, 0); }

int CString::Find(const char* sub, int start) const {
  if (sub == nullptr || start < 0 || start > GetLength()) return -1;
  const size_t pos = m_text.find(sub, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
  const size_t pos = m_text.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* charSet) const {
  if (charSet == nullptr) return -1;
  const size_t pos = m_text.find_first_of(charSet);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

void CString::MakeLower() {
  for (char& c : m_text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void CString::MakeUpper() {
  for (char& c : m_text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void CString::TrimLeft() {
  size_t i = 0;
  while (i < m_text.size() && IsSpace(m_text[i])) ++i;
  m_text.erase(0, i);
}

void CString::TrimRight() {
  size_t n = m_text.size();
  while (n > 0 && IsSpace(m_text[n - 1])) --n;
  m_text.resize(n);
}

void CString::TrimLeft(char target) {
  size_t i = 0;
  while (i < m_text.size() && m_text[i] == target) ++i;
  m_text.erase(0, i);
}

void CString::TrimRight(char target) {
  size_t n = m_text.size();
  while (n > 0 && m_text[n - 1] == target) --n;
  m_text.resize(n);
}

int CString::Replace(char oldCh, char newCh) {
  int count = 0;
  for (char& c : m_text)
    if (c == oldCh) {
      c = newCh;
      ++count;
    }
  return count;
}

int CString::Replace(const char* oldText, const char* newText) {
  if (oldText == nullptr || *oldText == '\0') return 0;
  const std::string from = oldText;
  const std::string to = newText != nullptr ? newText : "";
  int count = 0;
  std::string result;
  size_t pos = 0;
  for (size_t hit; (hit = m_text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    result.append(m_text, pos, hit - pos);
    result += to;
    ++count;
  }
  result.append(m_text, pos, std::string::npos);
  m_text.swap(result);
  return count;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) {
    m_text.clear();
    return;
  }
  std::string result(static_cast<size_t>(needed), '\0');
  std::vsnprintf(result.data(), result.size() + 1, format, args);
  m_text.swap(result);
}

char* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength), '\0');
  return m_text.data();
}

char* CString::GetBufferSetLength(int length) {
  m_text.resize(static_cast<size_t>(std::max(length, 0)), '\0');
  return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) newLength = static_cast<int>(std::strlen(m_text.c_str()));
  m_text.resize(std::min(static_cast<size_t>(newLength), m_text.size()));
}

CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, const char* b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const char* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, char b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(char a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
