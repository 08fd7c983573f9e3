// The registry by key name: splitting full names, values and sub-keys with the registry's own
// codes, and whole keys moved to and from registry-editor text.
#include "tests/registry/registry_fixture.h"
#include "tests/support/strings.h"


namespace hk::test {
namespace {

TEST(RegistryKeyName, SplitsTheTwoRootsInEitherSpelling) {
  struct Case {
    const char* fullName;
    HKEY root;  // NULL: refused
    const char* subKey;
    const char* rootName;
  } cases[] = {
      {"hkcu\\Software\\Example\\", HKEY_CURRENT_USER, "Software\\Example", "HKEY_CURRENT_USER"},
      {"HKEY_LOCAL_MACHINE\\Software", HKEY_LOCAL_MACHINE, "Software", "HKEY_LOCAL_MACHINE"},
      {"HKLM", HKEY_LOCAL_MACHINE, "", "HKEY_LOCAL_MACHINE"},
      {"HKEY_CLASSES_ROOT\\.txt", nullptr, "", ""},
      {"HKCUX\\Software", nullptr, "", ""},
      {nullptr, nullptr, "", ""},
  };
  for (const Case& c : cases) {
    HKEY root = nullptr;
    CString subKey = "unchanged", rootName = "unchanged";
    const BOOL split = SplitRegistryKeyName(c.fullName, root, subKey, rootName);
    const char* shown = c.fullName != nullptr ? c.fullName : "NULL";
    EXPECT_EQ(split, c.root != nullptr ? TRUE : FALSE) << shown;
    EXPECT_EQ(root, c.root) << shown;
    EXPECT_EQ(std::string(subKey), c.root != nullptr ? c.subKey : "unchanged") << shown;
    EXPECT_EQ(std::string(rootName), c.root != nullptr ? c.rootName : "unchanged") << shown;
  }
}

using KeysByName = RegistryTest;

TEST_F(KeysByName, ValuesAndSubKeysAnswerTheRegistrysCodes) {
  HKEY key = Create("Values");
  const std::string large(100000, 'x');  // beyond any first guess at the size
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Large", REG_BINARY, large));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "", REG_SZ, std::string("default\0", 8)));
  for (const char* child : {"b", "A", "c"}) Create("Values\\" + std::string(child));
  const std::string values = Path("Values"), nowhere = Path("Nowhere");
  DWORD type = REG_NONE;
  CByteArray bytes;
  ASSERT_EQ(ERROR_SUCCESS, GetRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Large", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize()), large);
  // A value or key that is not there leaves type and data as they were.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Missing", type, bytes));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRegistryValue(HKEY_CURRENT_USER, nowhere.c_str(), "", type, bytes));
  EXPECT_EQ(bytes.GetSize(), static_cast<int>(large.size()));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

  EXPECT_EQ(ERROR_SUCCESS, DeleteRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Large"));
  EXPECT_EQ(ValueNames(key), std::vector<std::string>{""});

  CStringArray names;
  names.Add("old");
  ASSERT_EQ(ERROR_SUCCESS, GetRegistrySubKeys(HKEY_CURRENT_USER, values.c_str(), names));
  EXPECT_EQ(Strings(names), (std::vector<std::string>{"A", "b", "c"}));
}

// Exported text (UTF-16 with its mark) imports back; a key that cannot be exported leaves the
// caller's buffer as it was.
TEST_F(KeysByName, ExportedTextImportsBackAndAFailedExportLeavesNothing) {
  ASSERT_TRUE(CNuRegistry(HKEY_CURRENT_USER, Path("Tree").c_str(), "Window").PutInt("Width", 640));
  CByteArray text;
  CString error;
  ASSERT_TRUE(ExportRegistryKey(("HKCU\\" + Path("Tree")).c_str(), text, error)) << error;
  const std::string bytes(reinterpret_cast<const char*>(text.GetData()), text.GetSize());
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8));  // an empty line ends it
  ASSERT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));
  DWORD applied = 0;
  ASSERT_TRUE(ImportRegistryText(bytes.data(), static_cast<DWORD>(bytes.size()), applied, error)) << error;
  EXPECT_EQ(applied, 3u);  // two keys, one value
  EXPECT_EQ(CNuRegistry(HKEY_CURRENT_USER, Path("Tree").c_str(), "Window").GetInt("Width", 0), 640u);

  text.SetSize(1);
  EXPECT_FALSE(ExportRegistryKey("HKEY_CLASSES_ROOT\\.txt", text, error));
  EXPECT_EQ(text.GetSize(), 1);
}

}  // namespace
}  // namespace hk::test
