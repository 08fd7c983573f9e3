// Moving keys through registry text: export, import, and what neither may lose. The cases run
// against the system registry on Windows and the store on POSIX.
#include "tests/registry/registry_fixture.h"

#include "platform/faults.h"
#include "registry/transfer.h"

#include <filesystem>
#include <random>
#include <tuple>

namespace hk::test {
namespace {

using hk::registry::ParseRegText;
using hk::registry::RegTextEntry;

using Transfer = RegistryTest;

// A value as the registry answers it, under the path of its key; a key is a row of its own,
// with no name and no type.
using Row = std::tuple<std::string, std::string, DWORD, std::string>;
using Tree = std::vector<Row>;

// Everything below HKEY_CURRENT_USER\path, depth first in enumeration order, after 'tree'.
Tree Snapshot(const std::string& path, Tree tree = {}) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
  tree.emplace_back(path, "", ~DWORD{0}, "");
  for (const std::string& name : EnumNames(key, false)) {
    Row& row = tree.emplace_back(path, name, REG_NONE, "");
    EXPECT_EQ(ERROR_SUCCESS, ReadValue(key, name.c_str(), std::get<2>(row), std::get<3>(row)));
  }
  const std::vector<std::string> children = EnumNames(key, true);
  RegCloseKey(key);
  for (const std::string& child : children) tree = Snapshot(path + "\\" + child, std::move(tree));
  return tree;
}

bool Import(const std::string& bytes, size_t& applied, std::string& error) {
  std::vector<RegTextEntry> entries;
  return ParseRegText(bytes, entries, error) && hk::registry::ImportEntries(entries, applied, error);
}

// Bytes that are not UTF-8 (a lead byte without its continuation): text on Windows, whose ANSI
// code page gives every byte a character, but not on POSIX, whose code page is UTF-8.
const std::string kNotUtf8 = "\xC3(";

// A random tree of every value type, with names and strings full of what the text format must
// escape, written, exported, deleted and imported again: it must come back exactly.
TEST_F(Transfer, ExportThenImportGivesBackEveryNameAndByte) {
  const char* const pieces[] = {"a",  "Zz", " ",   "\r", "\n", "\r\n",     "\"",
                                "\\", "=",  "[x]", ";",  "@",  "\xC3\xA9", "\xE2\x82\xAC"};
  const DWORD types[] = {
      REG_NONE,     REG_SZ,         REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 5 /* big-endian dword */,
      REG_MULTI_SZ, 11 /* qword */, 0x4242};
  TempDir dir;
  const std::string file = dir / "tree.reg", top = Path("Model");
  for (unsigned round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::mt19937 random(round);
    const auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    // Key names hold neither the separator nor line breaks, which no key line can carry.
    const auto text = [&](size_t most, bool keyName) {
      std::string out;
      for (size_t n = pick(most + 1); n > 0; --n) {
        const std::string piece = pieces[pick(std::size(pieces))];
        if (!keyName || piece.find_first_of("\r\n\\") == std::string::npos) out += piece;
      }
      return out;
    };
    std::vector<std::string> keys = {"Model"};
    for (int k = 0; k < 4; ++k) keys.push_back(keys[pick(keys.size())] + "\\" + text(3, true) + std::to_string(k));
    for (const std::string& path : keys) {
      HKEY key = Create(path);
      for (int v = 0; v < 5; ++v) {
        const std::string name = v == 0 && pick(3) == 0 ? std::string() : text(4, false) + "v" + std::to_string(v);
        const DWORD type = types[pick(std::size(types))];
        std::string data;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
          data = text(6, false);
          if (type == REG_MULTI_SZ) data += std::string("\0", 1) + text(3, false) + std::string("\0", 1);
          if (pick(5) != 0) data.push_back('\0');  // sometimes unterminated
        } else {
          data.resize(type == REG_DWORD ? (pick(4) == 0 ? 2 : 4) : pick(40));
          for (char& c : data) c = static_cast<char>(random());
        }
        ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, name.c_str(), type, data));
      }
    }
    const Tree before = Snapshot(top);
    std::string error;
    ASSERT_TRUE(hk::registry::ExportKeyToFile("HKEY_CURRENT_USER\\" + top, file, error)) << error;
    ASSERT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Model"));
    size_t applied = 0;
    ASSERT_TRUE(Import(ReadWholeFile(file), applied, error)) << error;
    EXPECT_EQ(before, Snapshot(top));
    CNuRegistry().DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Model");
  }
}

TEST_F(Transfer, ARefusedOrFailedExportLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string file = dir.WriteFile("out.reg", "old");
  HKEY key = Create("Out\\Line\nBreak");
  ASSERT_NE(nullptr, key);
  std::string error;
  EXPECT_FALSE(hk::registry::ExportKeyToFile("HKCU\\" + Path("Out"), file, error));
  EXPECT_NE(std::string::npos, error.find("Out\\Line\nBreak")) << error;
  ASSERT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, Path("Out").c_str(), "Line\nBreak"));

  // A full volume part way through.
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create("Out"), "big", REG_BINARY, std::string(20000, 'x')));
  hk::sys::SetDiskFullFault(4096);
  EXPECT_FALSE(hk::registry::ExportKeyToFile("HKCU\\" + Path("Out"), file, error));
  hk::sys::SetDiskFullFault(-1);
  EXPECT_NE(std::string::npos, error.find(hk::registry::SystemMessage(ERROR_DISK_FULL))) << error;
  EXPECT_EQ("old", ReadWholeFile(file));
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()));

#if defined(_WIN32)
  GTEST_SKIP() << "every byte is a character of this build's ANSI code page";
#endif
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create("Out\\Deep"), "bad", REG_SZ, "x" + kNotUtf8 + std::string("\0", 1)));
  EXPECT_FALSE(hk::registry::ExportKeyToFile("HKCU\\" + Path("Out"), file, error));
  EXPECT_EQ("old", ReadWholeFile(file));
}

// An import applies all of its entries or none: whatever entry is refused, the registry is
// left exactly as it was.
TEST_F(Transfer, ImportIsAllOrNothing) {
  ASSERT_NE(nullptr, Create("Import\\Old\\Child"));
  CNuRegistry settings(HKEY_CURRENT_USER, Path("Import").c_str(), "Keep");
  ASSERT_TRUE(settings.PutInt("Stay", 1));
  ASSERT_TRUE(settings.PutInt("Go", 2));
  const std::string root = "HKEY_CURRENT_USER\\" + Path("Import");
  const std::string changes = "[-" + root + "\\Old]\n[" + root + "\\Keep]\n\"Go\"=-\n\"Stay\"=dword:9\n[" + root +
                              "\\New\\Deep]\n\"n\"=\"x\"\n";
  const struct {
    std::string last;
    const char* message;
  } refusals[] = {
      {"[HKEY_CLASSES_ROOT\\x]\n", "is not below"},
      {"[-HKCU]\n", "a root key cannot be deleted"},
      {"[" + root + "\\" + std::string(256, 'k') + "]\n", "longer than 255"},
      {"\"" + std::string(16384, 'v') + "\"=dword:1\n", "longer than 16383"},
  };
  const Tree before = Snapshot(Path("Import"));
  for (const auto& refusal : refusals) {
    size_t applied = 99;
    std::string error;
    EXPECT_FALSE(Import("REGEDIT4\n" + changes + refusal.last, applied, error)) << refusal.message;
    EXPECT_EQ(0u, error.find("line 8: ")) << error;
    EXPECT_NE(std::string::npos, error.find(refusal.message)) << error;
    EXPECT_EQ(0u, applied);
    EXPECT_EQ(before, Snapshot(Path("Import"))) << refusal.message;
  }
  // Without the refused entry, all of it.
  size_t applied = 0;
  std::string error;
  ASSERT_TRUE(Import("REGEDIT4\n" + changes + "[-" + root + "\\Never]\n", applied, error)) << error;
  EXPECT_EQ(7u, applied);
  EXPECT_FALSE(Exists("Import\\Old"));
  EXPECT_EQ(9u, settings.GetInt("Stay", 0));
  EXPECT_EQ(0u, settings.GetInt("Go", 0));
  EXPECT_TRUE(Exists("Import\\New\\Deep"));
}

}  // namespace
}  // namespace hk::test
