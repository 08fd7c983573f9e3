// CNuIPAddress and GetIPAddress: the lenient dotted-decimal rules and both text forms.
#include "tests/support/fixtures.h"

namespace {

constexpr DWORD Address(DWORD a, DWORD b, DWORD c, DWORD d) { return (a << 24) + (b << 16) + (c << 8) + d; }

std::string Text(DWORD address) {
  CString text;
  CNuIPAddress(address).GetText(text);
  return static_cast<const char*>(text);
}

TEST(IPAddress, ParsesLeniently) {
  EXPECT_EQ(GetIPAddress("192.168.1.2"), Address(192, 168, 1, 2));
  EXPECT_EQ(GetIPAddress("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(GetIPAddress("1.2.3.4.5"), Address(1, 2, 3, 4));
  EXPECT_EQ(GetIPAddress("1..3.4"), Address(1, 0, 3, 4));
  EXPECT_EQ(GetIPAddress(" 1.2.3.4"), Address(1, 2, 3, 4));
  EXPECT_EQ(GetIPAddress("1x.2.3.4"), Address(1, 2, 3, 4));
  EXPECT_EQ(GetIPAddress("+1.2.3.4"), Address(1, 2, 3, 4));
  EXPECT_EQ(GetIPAddress("1.2.3."), Address(1, 2, 3, 0));
  EXPECT_EQ(GetIPAddress("0.0.0.0"), 0u);
}

TEST(IPAddress, RejectsWithZero) {
  for (const char* text : {"1.2.3", "1.2", "", "1.2.3.256", "1.2.3.-1", "256.1.1.1", "abc",
                           // Parts too large for an int are out of range, not wrapped round.
                           "4294967297.0.0.1", "1.2.3.99999999999999999999"})
    EXPECT_EQ(GetIPAddress(text), 0u) << text;
  EXPECT_EQ(GetIPAddress(nullptr), 0u);
  EXPECT_EQ(CNuIPAddress(static_cast<const char*>(nullptr)).GetIPAddress(), 0u);
}

TEST(IPAddress, Constructors) {
  EXPECT_EQ(CNuIPAddress("10.0.0.1").GetIPAddress(), Address(10, 0, 0, 1));
  EXPECT_EQ(CNuIPAddress(Address(1, 2, 3, 4)).GetIPAddress(), Address(1, 2, 3, 4));
  EXPECT_EQ(CNuIPAddress("10", "0", "0", "1").GetIPAddress(), (10u << 24) + 1);
  // No range test: the second part carries into the first byte.
  EXPECT_EQ(CNuIPAddress("1", "256", "0", "0").GetIPAddress(), 2u << 24);
  EXPECT_EQ(CNuIPAddress("0", "0", "0", "-1").GetIPAddress(), 0xFFFFFFFFu);
  EXPECT_EQ(CNuIPAddress(" 7", "8x", "", "9").GetIPAddress(), Address(7, 8, 0, 9));
}

TEST(IPAddress, TextForms) {
  EXPECT_EQ(Text(Address(192, 168, 1, 2)), "192.168.1.2");
  EXPECT_EQ(Text(0), "0.0.0.0");
  EXPECT_EQ(Text(0xFFFFFFFF), "255.255.255.255");
  EXPECT_EQ(GetIPAddress(Text(Address(192, 168, 1, 2)).c_str()), Address(192, 168, 1, 2));
  CString a, b, c, d;
  CNuIPAddress((10u << 24) + 1).GetText(a, b, c, d);
  EXPECT_STREQ(a, "10");
  EXPECT_STREQ(b, "0");
  EXPECT_STREQ(c, "0");
  EXPECT_STREQ(d, "1");
  CNuIPAddress(0xC0A80102).GetText(a, b, c, d);
  EXPECT_STREQ(a, "192");
  EXPECT_STREQ(d, "2");
}

}  // namespace
