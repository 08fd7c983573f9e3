// The registry by key name: splitting full names, values and sub-keys with the registry's own
// codes, and whole keys moved to and from registry-editor text.
#include "tests/registry/registry_fixture.h"

#include <filesystem>
#include <iterator>

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
  const std::string multi("one\0two\0\0", 9);
  const std::string large(100000, 'x');  // beyond any first guess at the size
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Multi", REG_MULTI_SZ, multi));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "Large", REG_BINARY, large));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "", REG_SZ, std::string("default\0", 8)));
  for (const char* child : {"b", "A", "c"}) Create("Values\\" + std::string(child));

  const std::string values = Path("Values");
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } stored[] = {
      {"Multi", REG_MULTI_SZ, multi}, {"Large", REG_BINARY, large}, {"", REG_SZ, std::string("default\0", 8)}};
  for (const auto& value : stored) {
    DWORD found = REG_NONE;
    CByteArray bytes;
    ASSERT_EQ(ERROR_SUCCESS, GetRegistryValue(HKEY_CURRENT_USER, values.c_str(), value.name, found, bytes))
        << value.name;
    EXPECT_EQ(found, value.type) << value.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize()), value.data) << value.name;
  }
  DWORD type = 77;
  CByteArray bytes;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Missing", type, bytes));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRegistryValue(HKEY_CURRENT_USER, Path("Nowhere").c_str(), "", type, bytes));
  EXPECT_EQ(type, 77u);
  EXPECT_EQ(bytes.GetSize(), 0);

  EXPECT_EQ(ERROR_SUCCESS, DeleteRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Multi"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegistryValue(HKEY_CURRENT_USER, values.c_str(), "Multi"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegistryValue(HKEY_CURRENT_USER, Path("Nowhere").c_str(), "x"));
  EXPECT_EQ(ValueNames(key).size(), 2u);

  CStringArray names;
  names.Add("old");
  ASSERT_EQ(ERROR_SUCCESS, GetRegistrySubKeys(HKEY_CURRENT_USER, values.c_str(), names));
  ASSERT_EQ(names.GetSize(), 3);
  EXPECT_EQ(std::string(names[0]) + std::string(names[1]) + std::string(names[2]), "Abc");
  EXPECT_EQ(ERROR_SUCCESS, GetRegistrySubKeys(HKEY_CURRENT_USER, Path("Values\\A").c_str(), names));
  EXPECT_EQ(names.GetSize(), 0);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetRegistrySubKeys(HKEY_CURRENT_USER, Path("Nowhere").c_str(), names));
}

// Exported text (UTF-16 with its mark) imports back, also through a file; a malformed line
// anywhere applies nothing and is named; a key that cannot be exported leaves no file.
TEST_F(KeysByName, ExportedTextImportsBackAndABadFileChangesNothing) {
  CNuRegistry settings(HKEY_CURRENT_USER, Path("Tree").c_str(), "Window");
  ASSERT_TRUE(settings.PutInt("Width", 640));
  ASSERT_TRUE(settings.PutString("Title", "a \"quoted\" title"));
  const std::string tree = "HKCU\\" + Path("Tree");
  CByteArray text;
  CString error;
  ASSERT_TRUE(ExportRegistryKey(tree.c_str(), text, error)) << error;
  const std::string bytes(reinterpret_cast<const char*>(text.GetData()), text.GetSize());
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  TempDir dir;
  ASSERT_TRUE(ExportRegistryKeyToFile(tree.c_str(), (dir / "out.reg").c_str(), error)) << error;
  EXPECT_EQ(ReadWholeFile(dir / "out.reg"), bytes);
  ASSERT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));
  DWORD applied = 0;
  ASSERT_TRUE(ImportRegistryText(bytes.data(), static_cast<DWORD>(bytes.size()), applied, error)) << error;
  EXPECT_EQ(applied, 4u);  // two keys, two values
  CNuRegistry back(HKEY_CURRENT_USER, Path("Tree").c_str(), "Window");
  EXPECT_EQ(back.GetInt("Width", 0), 640u);
  EXPECT_EQ(std::string(back.GetString("Title", "")), "a \"quoted\" title");

  const std::string bad = "REGEDIT4\r\n[HKEY_CURRENT_USER\\" + Path("Tree\\Window") +
                          "]\r\n\"Width\"=dword:00000001\r\n\"Height\"=bogus\r\n";
  EXPECT_FALSE(ImportRegistryText(bad.data(), static_cast<DWORD>(bad.size()), applied, error));
  EXPECT_EQ(applied, 0u);
  EXPECT_NE(std::string(error).find("line 4"), std::string::npos) << error;
  EXPECT_EQ(back.GetInt("Width", 0), 640u);

  text.SetSize(1);
  EXPECT_FALSE(ExportRegistryKey("HKEY_CLASSES_ROOT\\.txt", text, error));
  EXPECT_FALSE(ExportRegistryKey(("HKCU\\" + Path("Nowhere")).c_str(), text, error));
  EXPECT_EQ(text.GetSize(), 1);
  EXPECT_FALSE(ExportRegistryKeyToFile(("HKCU\\" + Path("Nowhere")).c_str(), (dir / "missing.reg").c_str(), error));
  EXPECT_NE(std::string(error).find("Nowhere"), std::string::npos) << error;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace hk::test
