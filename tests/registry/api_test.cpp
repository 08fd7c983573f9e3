// The registry functions the settings classes stand on: names, order, buffer protocols and
// result codes. The same cases run against the system registry on Windows and the store on
// POSIX, so that the two cannot drift apart.
#include "tests/registry/registry_fixture.h"

#include <cstring>
#include <functional>

namespace hk::test {
namespace {

using Api = RegistryTest;

// Creates parent\name; the result code. The new handle is closed unless the caller takes it.
LONG CreateKey(HKEY parent, const char* name, DWORD* disposition = nullptr, HKEY* taken = nullptr) {
  HKEY key = nullptr;
  HKEY* out = taken != nullptr ? taken : &key;
  DWORD ignored = 0;
  const LONG result = RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out,
                                      disposition != nullptr ? disposition : &ignored);
  if (result == ERROR_SUCCESS && taken == nullptr) RegCloseKey(key);
  return result;
}

// Calls made on one handle, each with the code it must answer.
void ExpectCodes(HKEY key, LONG code) {
  DWORD type = 0, size = 0;
  char name[16];
  HKEY out = nullptr;
  const std::function<LONG()> calls[] = {
      [&] { return RegQueryValueExA(key, "v", nullptr, &type, nullptr, &size); },
      [&] { return WriteValue(key, "v", REG_DWORD, std::string(4, '\0')); },
      [&] { return RegDeleteValueA(key, "v"); },
      [&] { return RegEnumKeyExA(key, 0, name, &(size = sizeof name), nullptr, nullptr, nullptr, nullptr); },
      [&] { return RegEnumValueA(key, 0, name, &(size = sizeof name), nullptr, nullptr, nullptr, nullptr); },
      [&] { return CreateKey(key, "Sub", nullptr, &out); },
      [&] { return RegOpenKeyExA(key, "Sub", 0, KEY_ALL_ACCESS, &out); },
      [&] { return RegDeleteKeyA(key, "Sub"); },
      [&] { return RegFlushKey(key); },
  };
  for (size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(code, calls[i]()) << "call " << i;
}

TEST_F(Api, NamesIgnoreCaseKeepTheirCaseAndEnumerateInOrder) {
  HKEY base = Open("");
  for (const char* name : {"b", "_u", "Zeta", "a1", "[x", "A", "~t"})
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, name));
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "ZETA", &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ((std::vector<std::string>{"[x", "_u", "A", "a1", "b", "Zeta", "~t"}), SubKeys(""));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "New\\Deeper", &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);

  HKEY key = Create("V");
  for (const char* name : {"zz", "Val", "aa", "MM"})
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, name, REG_SZ, std::string("x", 2)));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "VAL", REG_DWORD, std::string(4, '\0')));
  EXPECT_EQ((std::vector<std::string>{"aa", "MM", "Val", "zz"}), ValueNames(key));
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "val", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
}

TEST_F(Api, PathSyntaxAndMissingKeysAndValues) {
  HKEY base = Open("");
  EXPECT_EQ(ERROR_BAD_PATHNAME, CreateKey(base, "\\Leading"));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "Trailing\\"));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "a\\\\b"));  // empty components are skipped
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "x/y"));     // '/' is part of a name
  EXPECT_EQ((std::vector<std::string>{"a", "Trailing", "x/y"}), SubKeys(""));
  EXPECT_TRUE(Exists("a\\b"));
  // What is not there.
  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(base, "nothing", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(base, "nothing"));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(base, nullptr));
  const std::string tooLong(16384, 'v');  // value names have at most 16383 characters
  EXPECT_EQ(ERROR_INVALID_PARAMETER, WriteValue(base, tooLong.c_str(), REG_DWORD, std::string(4, '\2')));
  char name[16];
  EXPECT_EQ(ERROR_NO_MORE_ITEMS,
            RegEnumValueA(base, 0, name, &(size = sizeof name), nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Api, OpeningTheKeyItself) {
  HKEY root = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_ALL_ACCESS, &root));
  EXPECT_EQ(HKEY_CURRENT_USER, root);
  HKEY base = Open("");
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(base, nullptr, 0, KEY_ALL_ACCESS, &same));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(same, "through", REG_DWORD, std::string(4, '\1')));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(same));  // a handle of its own
  EXPECT_EQ((std::vector<std::string>{"through"}), ValueNames(base));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));  // predefined keys stay usable
}

TEST_F(Api, BufferProtocols) {
  HKEY key = Create("Buffers");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Text", REG_SZ, std::string("hello", 6)));
  Create("Buffers\\Case");
  DWORD type = 0, size = 0;
  char buffer[8] = {'#'};
  BYTE* data = reinterpret_cast<BYTE*>(buffer);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Text", nullptr, &type, data, nullptr));

  // Names must fit with their terminator; a short name buffer keeps its count; a short data
  // buffer gets the size needed.
  char name[8];
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, name, &(size = 4), nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 0, name, &(size = 5), nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(4u, size);
  EXPECT_STREQ("Case", name);
  DWORD dataSize = 100;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &(size = 8), nullptr, &type, data, &(dataSize = 2)));
  EXPECT_EQ(6u, dataSize);
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &(size = 8), nullptr, &type, data, &(dataSize = 8)));
  EXPECT_STREQ("Text", name);
  EXPECT_EQ(4u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(6u, dataSize);
  EXPECT_STREQ("hello", buffer);
  // A data buffer one byte short: the size needed comes back, and not a byte lands beyond.
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, &type, data, &(dataSize = 5)));
  EXPECT_EQ(6u, dataSize);
  EXPECT_EQ(0x5A, buffer[5]);
  EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(key, "nodata", 0, REG_BINARY, nullptr, 4));
}

TEST_F(Api, DeletingKeys) {
  HKEY parent = Create("P");
  HKEY child = Create("P\\C");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(child, "v", REG_DWORD, std::string(4, '\0')));
  HKEY base = Open("");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(base, "P"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(base, "p\\c"));
  // The values went with the key: one made again under the same name is empty.
  EXPECT_TRUE(ValueNames(Create("P\\C")).empty());
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(base, "P\\C"));
  // An empty name deletes the key the handle is open on; a root cannot be deleted.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, ""));
  EXPECT_FALSE(Exists("P"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
}

// A handle to a deleted key answers so, even when a new key of the same name exists; a closed
// handle is invalid.
TEST_F(Api, HandlesOfDeletedAndClosedKeys) {
  HKEY doomed = Create("Doomed");
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(Open(""), "Doomed"));
  HKEY reborn = Create("Doomed");
  ExpectCodes(doomed, ERROR_KEY_DELETED);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(doomed));
  EXPECT_TRUE(SubKeys("Doomed").empty());
  EXPECT_TRUE(ValueNames(reborn).empty());

  HKEY closed = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_CURRENT_USER, Path("Closed").c_str(), nullptr, &closed));
  ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(closed));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(closed));
  ExpectCodes(closed, ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace hk::test
