// CNuIPAddress and GetIPAddress: the lenient dotted-decimal rules and both text forms.
#include "tests/support/fixtures.h"

namespace {

constexpr DWORD Address(DWORD a, DWORD b, DWORD c, DWORD d) { return (a << 24) + (b << 16) + (c << 8) + d; }

std::string Text(DWORD address) {
  CString text;
  CNuIPAddress(address).GetText(text);
  return static_cast<const char*>(text);
}

TEST(IPAddress, ParsesLenientlyAndRejectsWithZero) {
  const struct {
    const char* text;
    DWORD address;
  } rows[] = {{"192.168.1.2", Address(192, 168, 1, 2)}, {"255.255.255.255", 0xFFFFFFFFu},
              // Leading blanks and signs, trailing junk, empty parts and a fifth part pass.
              {"1.2.3.4.5", Address(1, 2, 3, 4)}, {"1..3.4", Address(1, 0, 3, 4)}, {" 1.2.3.4", Address(1, 2, 3, 4)},
              {"1x.2.3.4", Address(1, 2, 3, 4)}, {"+1.2.3.4", Address(1, 2, 3, 4)}, {"1.2.3.", Address(1, 2, 3, 0)},
              // Too few parts, parts out of range (also too large for an int: not wrapped round).
              {"1.2.3", 0}, {"", 0}, {"abc", 0}, {"1.2.3.256", 0}, {"1.2.3.-1", 0}, {"256.1.1.1", 0},
              {"4294967297.0.0.1", 0}, {"1.2.3.99999999999999999999", 0}, {nullptr, 0}};
  for (const auto& row : rows)
    EXPECT_EQ(CNuIPAddress(row.text).GetIPAddress(), row.address) << (row.text != nullptr ? row.text : "null");
}

TEST(IPAddress, FromFourParts) {
  EXPECT_EQ(CNuIPAddress("10", "0", "0", "1").GetIPAddress(), (10u << 24) + 1);
  // No range test: the second part carries into the first byte.
  EXPECT_EQ(CNuIPAddress("1", "256", "0", "0").GetIPAddress(), 2u << 24);
  EXPECT_EQ(CNuIPAddress("0", "0", "0", "-1").GetIPAddress(), 0xFFFFFFFFu);
  EXPECT_EQ(CNuIPAddress(" 7", "8x", "", "9").GetIPAddress(), Address(7, 8, 0, 9));
}

TEST(IPAddress, TextForms) {
  EXPECT_EQ(Text(Address(192, 168, 1, 2)), "192.168.1.2");
  CString a, b, c, d;
  CNuIPAddress(0xC0A80102).GetText(a, b, c, d);
  EXPECT_EQ((a + "|" + b + "|" + c + "|" + d).str(), "192|168|1|2");
}

}  // namespace
