// The registry functions the settings classes stand on: names, order, buffer protocols and
// result codes. The same cases run against the system registry on Windows and the store on
// POSIX, so that the two cannot drift apart.
#include "tests/registry/registry_fixture.h"

namespace hk::test {
namespace {

using Api = RegistryTest;

LONG CreateKey(HKEY parent, const char* name, HKEY& key, DWORD* disposition = nullptr) {
  DWORD ignored = 0;
  return RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                         disposition != nullptr ? disposition : &ignored);
}

TEST_F(Api, KeyNamesIgnoreCaseKeepTheirCaseAndEnumerateInOrder) {
  HKEY base = Open("");
  ASSERT_NE(nullptr, base);
  for (const char* name : {"b", "_u", "Zeta", "a1", "[x", "A", "~t"}) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, name, key));
    RegCloseKey(key);
  }
  HKEY again = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "ZETA", again, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  RegCloseKey(again);
  EXPECT_EQ((std::vector<std::string>{"[x", "_u", "A", "a1", "b", "Zeta", "~t"}), SubKeys(""));
  EXPECT_TRUE(Exists("zeta"));

  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "New\\Deeper", again, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  RegCloseKey(again);
}

TEST_F(Api, ValueNamesIgnoreCaseKeepTheirCaseAndEnumerateInOrder) {
  HKEY key = Create("V");
  for (const char* name : {"zz", "Val", "aa", "MM"}) ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, name, REG_SZ, std::string("x", 2)));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "VAL", REG_DWORD, std::string(4, '\0')));
  EXPECT_EQ((std::vector<std::string>{"aa", "MM", "Val", "zz"}), ValueNames(key));
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, "val", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
}

TEST_F(Api, PathSyntax) {
  HKEY base = Open("");
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_BAD_PATHNAME, CreateKey(base, "\\Leading", key));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegDeleteKeyA(base, "\\Leading"));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "Trailing\\", key));
  RegCloseKey(key);
  EXPECT_TRUE(Exists("Trailing"));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "a\\\\b", key));  // empty components are skipped
  RegCloseKey(key);
  EXPECT_TRUE(Exists("a\\b"));
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(base, "x/y", key));  // '/' is part of a name
  RegCloseKey(key);
  EXPECT_TRUE(Exists("x/y"));
  EXPECT_FALSE(Exists("x"));
}

TEST_F(Api, OpeningTheKeyItself) {
  HKEY root = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &root));
  EXPECT_EQ(HKEY_CURRENT_USER, root);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_ALL_ACCESS, &root));
  EXPECT_EQ(HKEY_CURRENT_USER, root);
  HKEY base = Open("");
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(base, nullptr, 0, KEY_ALL_ACCESS, &same));
  EXPECT_NE(base, same);
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(same, "through", REG_DWORD, std::string(4, '\1')));
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(ERROR_SUCCESS, ReadValue(base, "through", type, data));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(same));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));  // predefined keys stay usable
  EXPECT_TRUE(Exists(""));
}

TEST_F(Api, MissingKeysAndValues) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, Path("No\\Such\\Key").c_str(), 0, KEY_ALL_ACCESS, &key));
  HKEY base = Open("");
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(base, "nothing", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(base, "nothing"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(base, "nothing"));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(base, nullptr));
  char name[16];
  size = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(base, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  size = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(base, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Api, BufferProtocols) {
  HKEY key = Create("Buffers");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Text", REG_SZ, std::string("hello", 6)));
  Create("Buffers\\Case");

  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, nullptr));
  char small[4] = {'#', '#', '#', '#'};
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<BYTE*>(small), &size));
  EXPECT_EQ(6u, size);  // the size needed
  EXPECT_EQ('#', small[0]);
  char exact[6];
  size = sizeof exact;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<BYTE*>(exact), &size));
  EXPECT_STREQ("hello", exact);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<BYTE*>(exact), nullptr));
  DWORD reserved = 0;
  size = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "Text", &reserved, &type, nullptr, &size));

  // Names must fit with their terminator; a short name buffer keeps its count.
  char name[8];
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(4u, size);
  size = 5;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(4u, size);
  EXPECT_STREQ("Case", name);
  size = 4;
  DWORD dataSize = 100;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &size, nullptr, &type, nullptr, &dataSize));
  EXPECT_EQ(4u, size);
  size = sizeof name;
  char data[2];
  dataSize = sizeof data;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &size, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize));
  EXPECT_EQ(6u, dataSize);  // the size needed
  char full[8];
  size = sizeof name;
  dataSize = sizeof full;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &size, nullptr, &type, reinterpret_cast<BYTE*>(full), &dataSize));
  EXPECT_STREQ("Text", name);
  EXPECT_EQ(4u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(6u, dataSize);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegEnumValueA(key, 0, name, &size, nullptr, &type, reinterpret_cast<BYTE*>(full), nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegEnumKeyExA(key, 0, name, &size, &reserved, nullptr, nullptr, nullptr));
}

TEST_F(Api, TypesAndBytesAreKeptExactly) {
  HKEY key = Create("Types");
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"sz", REG_SZ, std::string("text\0", 5)},
      {"expand", REG_EXPAND_SZ, std::string("%HOME%\\x\0", 9)},
      {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
      {"binary", REG_BINARY, std::string("\0\xff\x01", 3)},
      {"dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
      {"none", REG_NONE, std::string("\x01", 1)},
      {"odd", 99, std::string("ab", 2)},
      {"empty", REG_BINARY, std::string()},
      {"emptysz", REG_SZ, std::string()},
  };
  for (const auto& c : cases) ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, c.name, c.type, c.data)) << c.name;
  for (const auto& c : cases) {
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(ERROR_SUCCESS, ReadValue(key, c.name, type, data)) << c.name;
    EXPECT_EQ(c.type, type) << c.name;
    EXPECT_EQ(c.data, data) << c.name;
    if (c.data.empty()) continue;
    // A buffer one byte too short: the size needed comes back, and not a byte lands beyond.
    std::vector<BYTE> buffer(c.data.size() + 1, 0xA5);
    DWORD size = static_cast<DWORD>(c.data.size() - 1);
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, c.name, nullptr, &type, buffer.data(), &size)) << c.name;
    EXPECT_EQ(c.data.size(), size) << c.name;
    EXPECT_EQ(0xA5, buffer[c.data.size() - 1]) << c.name;
  }
  EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(key, "nodata", 0, REG_BINARY, nullptr, 4));
}

TEST_F(Api, DefaultValueHasTheEmptyName) {
  HKEY key = Create("Default");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, nullptr, REG_SZ, std::string("def", 4)));
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(ERROR_SUCCESS, ReadValue(key, "", type, data));
  EXPECT_EQ(std::string("def", 4), data);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, ""));
}

TEST_F(Api, DeletingKeys) {
  HKEY parent = Create("P");
  HKEY child = Create("P\\C");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(child, "v", REG_DWORD, std::string(4, '\0')));
  HKEY base = Open("");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(base, "P"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(base, "p\\c"));
  EXPECT_FALSE(Exists("P\\C"));
  // The values went with the key: one made again under the same name is empty.
  HKEY again = Create("P\\C");
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(again, "v", type, data));
  RegCloseKey(again);
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(base, "P\\C"));
  // An empty name deletes the key the handle is open on; a root cannot be deleted.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, ""));
  EXPECT_FALSE(Exists("P"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
}

TEST_F(Api, HandleOfADeletedKey) {
  HKEY doomed = Create("Doomed");
  HKEY base = Open("");
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(base, "Doomed"));
  HKEY reborn = Create("Doomed");  // a new key of the same name is another key
  ASSERT_NE(nullptr, reborn);
  DWORD type = 0;
  DWORD size = 0;
  std::string four(4, '\0');
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(doomed, "v", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_KEY_DELETED, WriteValue(doomed, "v", REG_DWORD, four));
  EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteValueA(doomed, "v"));
  char name[16];
  size = sizeof name;
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyExA(doomed, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  size = sizeof name;
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumValueA(doomed, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, CreateKey(doomed, "Sub", sub));
  EXPECT_EQ(ERROR_KEY_DELETED, RegOpenKeyExA(doomed, "Sub", 0, KEY_ALL_ACCESS, &sub));
  EXPECT_EQ(ERROR_KEY_DELETED, RegFlushKey(doomed));
  EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteKeyA(doomed, ""));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(reborn, "v", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(doomed));
}

TEST_F(Api, HandleUsedAfterCloseAndNullHandles) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, CreateKey(HKEY_CURRENT_USER, Path("Closed").c_str(), key));
  ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  DWORD type = 0;
  DWORD size = 0;
  std::string four(4, '\0');
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(key, "v", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_INVALID_HANDLE, WriteValue(key, "v", REG_DWORD, four));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(nullptr, "v", nullptr, &type, nullptr, &size));
  EXPECT_EQ(ERROR_INVALID_HANDLE, WriteValue(nullptr, "v", REG_DWORD, four));
  HKEY out = nullptr;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(nullptr, "x", 0, KEY_ALL_ACCESS, &out));
  EXPECT_EQ(ERROR_INVALID_HANDLE, CreateKey(nullptr, "x", out));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteKeyA(nullptr, "x"));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueA(nullptr, "x"));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(nullptr));
}

TEST_F(Api, LongValueNames) {
  HKEY key = Create("Names");
  const std::string longest(16383, 'v');
  const std::string tooLong(16384, 'v');
  const std::string four(4, '\2');
  EXPECT_EQ(ERROR_SUCCESS, WriteValue(key, longest.c_str(), REG_DWORD, four));
  DWORD type = 0;
  std::string data;
  EXPECT_EQ(ERROR_SUCCESS, ReadValue(key, longest.c_str(), type, data));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, WriteValue(key, tooLong.c_str(), REG_DWORD, four));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(key, tooLong.c_str(), type, data));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, tooLong.c_str()));
  std::string name(16384, '\0');
  DWORD size = static_cast<DWORD>(name.size());
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name.data(), &size, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(16383u, size);
}

TEST_F(Api, FlushIsAcceptedOnRootsAndKeys) {
  EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(HKEY_CURRENT_USER));
  HKEY key = Create("F");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "v", REG_DWORD, std::string(4, '\0')));
  EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(key));
}

}  // namespace
}  // namespace hk::test
