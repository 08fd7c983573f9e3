// CNuRegistry's typed values: what each kind writes, what reads back, and what reads as
// missing. The same cases run against the system registry on Windows and the store on POSIX.
#include "tests/registry/registry_fixture.h"

#include <cstring>

namespace hk::test {
namespace {

using Values = RegistryTest;

// The type and bytes stored under a name of section S.
std::string Stored(HKEY key, const char* name, DWORD expectedType) {
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(ERROR_SUCCESS, ReadValue(key, name, type, data)) << name;
  EXPECT_EQ(expectedType, type) << name;
  return data;
}

TEST_F(Values, StringsIntegersAndBooleansRoundTripAsTheirTypes) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "S");
  EXPECT_TRUE(registry.PutString("Name", "Ada Lovelace"));
  EXPECT_TRUE(registry.PutString("Empty", ""));
  EXPECT_TRUE(registry.PutString(nullptr, "unnamed"));  // the default value, by either name
  EXPECT_FALSE(registry.PutString("Null", nullptr));
  EXPECT_TRUE(registry.PutInt("Max", 0xFFFFFFFFu));
  EXPECT_TRUE(registry.PutBool("Seven", 7));
  EXPECT_EQ("", std::string(registry.GetString("Empty", "default")));
  EXPECT_EQ("unnamed", std::string(registry.GetString("", "")));
  EXPECT_EQ(0xFFFFFFFFu, registry.GetInt("Max", 0));
  EXPECT_TRUE(registry.GetBool("Max", FALSE));
  HKEY key = Open("S");
  EXPECT_EQ(std::string(1, '\0'), Stored(key, "Empty", REG_SZ));  // the terminator alone
  EXPECT_EQ(std::string("Ada Lovelace", 13), Stored(key, "Name", REG_SZ));
  EXPECT_EQ(std::string("\1\0\0\0", 4), Stored(key, "Seven", REG_DWORD));
  EXPECT_EQ(ValueNames(key).size(), 5u);
  EXPECT_TRUE(registry.DeleteEntry(nullptr));
  EXPECT_FALSE(registry.DeleteEntry(""));

  // Missing values give the defaults; a NULL one reads as empty.
  EXPECT_EQ("", std::string(registry.GetString("Missing", nullptr)));
  EXPECT_EQ(TRUE, registry.GetBool("Missing", 5));
}

// Strings are read unexpanded; values of another type, and DWORDs of another size, read as
// missing.
TEST_F(Values, ValuesOfAnotherTypeOrSizeReadAsMissing) {
  HKEY key = Create("T");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Search", REG_EXPAND_SZ, std::string("%PATH%\\bin", 11)));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Short", REG_DWORD, std::string("\x05\x00", 2)));
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "T");
  ASSERT_TRUE(registry.PutString("Text", "5"));
  ASSERT_TRUE(registry.PutInt("Number", 5));
  ASSERT_TRUE(registry.PutBinary("Block", "\1\2", 2));
  EXPECT_EQ("%PATH%\\bin", std::string(registry.GetString("Search", "")));
  for (const char* name : {"Text", "Block", "Short"}) EXPECT_EQ(42u, registry.GetInt(name, 42)) << name;
  EXPECT_EQ("d", std::string(registry.GetString("Number", "d")));
  char buffer[4] = {9, 9, 9, 9};
  DWORD size = 4;
  EXPECT_FALSE(registry.GetBinary("Number", buffer, size));
  EXPECT_EQ(9, buffer[0]);
}

TEST_F(Values, BinaryBuffersDefaultsAndSizes) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "B");
  const unsigned char block[5] = {1, 0, 2, 0, 3};
  EXPECT_TRUE(registry.PutBinary("Block", block, sizeof block));
  EXPECT_TRUE(registry.PutBinary("Zero", nullptr, 0));
  EXPECT_FALSE(registry.PutBinary("Bad", nullptr, 4));
  unsigned char out[8] = {9, 9, 9, 9};
  DWORD size = 0;
  EXPECT_TRUE(registry.GetBinary("Block", nullptr, size));  // size query
  EXPECT_EQ(5u, size);
  EXPECT_FALSE(registry.GetBinary("Block", out, size = 4));
  EXPECT_EQ(9, out[0]);
  EXPECT_TRUE(registry.GetBinary("Block", out, size = 8));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(0, std::memcmp(block, out, 5));
  EXPECT_TRUE(registry.GetBinary("Zero", out, size = 4));
  EXPECT_EQ(0u, size);
  // A missing value gives the default when there is one, and leaves the buffer alone if not.
  EXPECT_TRUE(registry.GetBinary("Missing", out, size = 3, "\7\10\11"));
  EXPECT_EQ(3u, size);
  EXPECT_EQ(0, std::memcmp("\7\10\11", out, 3));
  EXPECT_FALSE(registry.GetBinary("Missing", out, size = 2));
  EXPECT_EQ(7, out[0]);
}

}  // namespace
}  // namespace hk::test
