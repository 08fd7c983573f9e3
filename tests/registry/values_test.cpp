// CNuRegistry's typed values. The same cases run against the system registry on Windows and
// the store on POSIX.
#include "tests/registry/registry_fixture.h"

#include <cstring>

namespace hk::test {
namespace {

using Values = RegistryTest;

TEST_F(Values, StringsRoundTripAndKeepTheirType) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "S");
  EXPECT_TRUE(registry.PutString("Name", "Ada Lovelace"));
  EXPECT_EQ("Ada Lovelace", std::string(registry.GetString("Name", "none")));
  EXPECT_TRUE(registry.PutString("Empty", ""));
  EXPECT_EQ("", std::string(registry.GetString("Empty", "default")));
  EXPECT_EQ("", std::string(registry.GetString("Missing", nullptr)));
  EXPECT_EQ("fallback", std::string(registry.GetString("Missing", "fallback")));
  EXPECT_EQ("", std::string(registry.GetString("Missing", CNuRegistry::DEFAULT_STRING)));
  EXPECT_FALSE(registry.PutString("Null", nullptr));

  HKEY key = Open("S");
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "Empty", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(std::string(1, '\0'), data);  // the terminator alone
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "Name", type, data));
  EXPECT_EQ(std::string("Ada Lovelace", 13), data);
}

TEST_F(Values, ExpandableStringsAreReadUnexpanded) {
  HKEY key = Create("S");
  const std::string text("%PATH%\\bin", 11);
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Search", REG_EXPAND_SZ, text));
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "S");
  EXPECT_EQ("%PATH%\\bin", std::string(registry.GetString("Search", "")));
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "Search", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
  EXPECT_EQ(text, data);
}

TEST_F(Values, ValuesOfAnotherTypeReadAsMissing) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "T");
  ASSERT_TRUE(registry.PutString("Text", "5"));
  ASSERT_TRUE(registry.PutInt("Number", 5));
  ASSERT_TRUE(registry.PutBinary("Block", "\1\2", 2));
  EXPECT_EQ(42u, registry.GetInt("Text", 42));
  EXPECT_EQ("d", std::string(registry.GetString("Number", "d")));
  EXPECT_EQ(42u, registry.GetInt("Block", 42));
  EXPECT_TRUE(registry.GetBool("Text", TRUE));
  char buffer[4] = {9, 9, 9, 9};
  DWORD size = 4;
  EXPECT_FALSE(registry.GetBinary("Number", buffer, size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(9, buffer[0]);
}

TEST_F(Values, IntegersAndBooleans) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "I");
  EXPECT_TRUE(registry.PutInt("Max", 0xFFFFFFFFu));
  EXPECT_EQ(0xFFFFFFFFu, registry.GetInt("Max", 0));
  EXPECT_EQ(17u, registry.GetInt("Missing", 17));
  EXPECT_EQ(static_cast<DWORD>(CNuRegistry::DEFAULT_INT), registry.GetInt("Missing", CNuRegistry::DEFAULT_INT));
  EXPECT_TRUE(registry.PutInt("Two", 2));
  EXPECT_TRUE(registry.GetBool("Two", FALSE));
  EXPECT_TRUE(registry.PutBool("Seven", 7));
  EXPECT_EQ(1u, registry.GetInt("Seven", 0));
  EXPECT_TRUE(registry.PutBool("Off", FALSE));
  EXPECT_FALSE(registry.GetBool("Off", TRUE));
  EXPECT_EQ(TRUE, registry.GetBool("Missing", 5));
  EXPECT_EQ(FALSE, registry.GetBool("Missing", CNuRegistry::DEFAULT_BOOL));
}

TEST_F(Values, DwordOfAnotherSizeReadsAsMissing) {
  HKEY key = Create("I");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Short", REG_DWORD, std::string("\x05\x00", 2)));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Long", REG_DWORD, std::string("\x05\x00\x00\x00\x07\x00\x00\x00", 8)));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "None", REG_DWORD, std::string()));
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "I");
  EXPECT_EQ(0xABCDu, registry.GetInt("Short", 0xABCD));
  EXPECT_EQ(0xABCDu, registry.GetInt("Long", 0xABCD));
  EXPECT_EQ(0xABCDu, registry.GetInt("None", 0xABCD));
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "Short", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(2u, data.size());
}

TEST_F(Values, BinaryBuffersDefaultsAndSizes) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "B");
  const unsigned char block[5] = {1, 0, 2, 0, 3};
  EXPECT_TRUE(registry.PutBinary("Block", block, sizeof block));

  DWORD size = 0;
  EXPECT_TRUE(registry.GetBinary("Block", nullptr, size));  // size query
  EXPECT_EQ(5u, size);

  unsigned char small[4] = {9, 9, 9, 9};
  size = 4;
  EXPECT_FALSE(registry.GetBinary("Block", small, size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(9, small[0]);

  unsigned char big[8] = {};
  size = sizeof big;
  EXPECT_TRUE(registry.GetBinary("Block", big, size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(0, std::memcmp(block, big, 5));

  const unsigned char fallback[3] = {7, 8, 9};
  unsigned char out[3] = {};
  size = 3;
  EXPECT_TRUE(registry.GetBinary("Missing", out, size, fallback));
  EXPECT_EQ(3u, size);
  EXPECT_EQ(0, std::memcmp(fallback, out, 3));

  unsigned char untouched[2] = {5, 5};
  size = 2;
  EXPECT_FALSE(registry.GetBinary("Missing", untouched, size));
  EXPECT_EQ(2u, size);
  EXPECT_EQ(5, untouched[0]);

  EXPECT_TRUE(registry.PutBinary("Zero", nullptr, 0));
  size = 4;
  EXPECT_TRUE(registry.GetBinary("Zero", big, size));
  EXPECT_EQ(0u, size);
  EXPECT_FALSE(registry.PutBinary("Bad", nullptr, 4));
}

TEST_F(Values, MegabyteBlockRoundTrips) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "B");
  std::string block(1 << 20, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + (i >> 11));
  ASSERT_TRUE(registry.PutBinary("Mega", block.data(), static_cast<DWORD>(block.size())));
  DWORD size = 0;
  ASSERT_TRUE(registry.GetBinary("Mega", nullptr, size));
  ASSERT_EQ(block.size(), size);
  std::string back(size, '\0');
  ASSERT_TRUE(registry.GetBinary("Mega", back.data(), size));
  EXPECT_TRUE(back == block);
}

TEST_F(Values, MissingSectionOrKeyGivesDefaults) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  EXPECT_EQ("d", std::string(registry.GetString("Any", "d")));  // no section open
  EXPECT_EQ(3u, registry.GetInt("Any", 3, "NoSuchSection"));
  EXPECT_FALSE(registry.PutString("Any", "x"));
  EXPECT_FALSE(registry.PutString("Any", "x", "NoSuchSection"));
  DWORD size = 1;
  char out = 0;
  EXPECT_TRUE(registry.GetBinary("Any", &out, size, "z", "NoSuchSection"));
  EXPECT_EQ('z', out);
}

TEST_F(Values, NullAndEmptyNamesMeanTheDefaultValue) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "D");
  EXPECT_TRUE(registry.PutString(nullptr, "unnamed"));
  EXPECT_EQ("unnamed", std::string(registry.GetString("", "")));
  EXPECT_TRUE(registry.PutInt("", 4));
  EXPECT_EQ(4u, registry.GetInt(nullptr, 0));
  EXPECT_TRUE(registry.DeleteEntry(nullptr));
  EXPECT_FALSE(registry.DeleteEntry(""));
}

TEST_F(Values, LongestValueNameAndOneBeyond) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "N");
  const std::string longest(16383, 'n');
  const std::string tooLong(16384, 'n');
  EXPECT_TRUE(registry.PutInt(longest.c_str(), 11));
  EXPECT_EQ(11u, registry.GetInt(longest.c_str(), 0));
  EXPECT_FALSE(registry.PutInt(tooLong.c_str(), 12));
  EXPECT_EQ(0u, registry.GetInt(tooLong.c_str(), 0));
  EXPECT_FALSE(registry.DeleteEntry(tooLong.c_str()));
  HKEY key = Open("N");
  EXPECT_EQ((std::vector<std::string>{longest}), ValueNames(key));
  EXPECT_TRUE(registry.DeleteEntry(longest.c_str()));
}

}  // namespace
}  // namespace hk::test
