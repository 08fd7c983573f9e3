// CNuIPAddress and GetIPAddress: IPv4 addresses between one 32-bit number and dotted-decimal
// text, parsed leniently.
#include <hostkit/types.h>

#include <climits>
#include <cstring>

namespace {

// Reads a number the way atoi does (leading white space, an optional sign, digits up to the
// first non-digit, nothing at all giving 0), but saturates instead of wrapping on overflow, so
// that a part such as 4294967297 is out of range on every platform rather than reading as 1.
long long ReadNumber(const char* text) {
  if (text == nullptr) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT_MAX) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  return negative ? -value : value;
}

// The value as the C library's atoi would give it where it does not overflow: an int.
int ReadInt(const char* text) {
  const long long value = ReadNumber(text);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

DWORD GetIPAddress(const char* text) {
  if (text == nullptr || std::strlen(text) < 4) return 0;
  DWORD address = 0;
  const char* part = text;
  for (int i = 0; i < 4; ++i) {
    const char* dot = std::strchr(part, '.');
    // The first three parts end at a dot; the fourth at the next dot or the end of the text.
    if (dot == nullptr && i < 3) return 0;
    const long long value = ReadNumber(part);
    if (value < 0 || value > 255) return 0;
    address = (address << 8) | static_cast<DWORD>(value);
    if (dot == nullptr) break;
    part = dot + 1;
  }
  return address;
}

CNuIPAddress::CNuIPAddress(const char* text) : m_address(::GetIPAddress(text)) {}

CNuIPAddress::CNuIPAddress(DWORD address) : m_address(address) {}

CNuIPAddress::CNuIPAddress(const char* first, const char* second, const char* third, const char* fourth)
    : m_address((static_cast<DWORD>(ReadInt(first)) << 24) + (static_cast<DWORD>(ReadInt(second)) << 16) +
                (static_cast<DWORD>(ReadInt(third)) << 8) + static_cast<DWORD>(ReadInt(fourth))) {}

CNuIPAddress::~CNuIPAddress() = default;

DWORD CNuIPAddress::GetIPAddress() const { return m_address; }

void CNuIPAddress::GetText(CString& text) const {
  text.Format("%d.%d.%d.%d", static_cast<int>(m_address >> 24), static_cast<int>((m_address >> 16) & 0xFF),
              static_cast<int>((m_address >> 8) & 0xFF), static_cast<int>(m_address & 0xFF));
}

void CNuIPAddress::GetText(CString& first, CString& second, CString& third, CString& fourth) const {
  first.Format("%d", static_cast<int>(m_address >> 24));
  second.Format("%d", static_cast<int>((m_address >> 16) & 0xFF));
  third.Format("%d", static_cast<int>((m_address >> 8) & 0xFF));
  fourth.Format("%d", static_cast<int>(m_address & 0xFF));
}
