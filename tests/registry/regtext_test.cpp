// The registry text format: parsing and writing.
#include "tests/registry/registry_fixture.h"

#include "registry/regtext.h"

#include <cstdio>
#include <random>
#include <tuple>

namespace hk::test {
namespace {

using hk::registry::ParseRegText;
using hk::registry::RegTextEntry;
using hk::registry::RegTextWriter;

// Every kind of entry, with a comment, an escaped string, a value continued on the next line,
// and strings in the older form (UTF-16 text is read back by the key export tests). What the
// writer makes is read back by the export and import model of the transfer tests.
TEST(RegText, ParsesEveryKindOfEntry) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Example]\r\n"
      "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\\r\\n\"\r\n"
      "\"Count\"=dword:0000002A\r\n"
      "\"Block\"=hex:01,02,\\\r\n"
      "  ff,Ab\r\n"
      "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"Odd\"=hex(4):01,02\r\n"
      "\"Gone\"=-\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n";
  using E = RegTextEntry;
  const std::vector<std::tuple<E::Kind, int, std::string, DWORD, std::string>> expected = {
      {E::kKey, 4, "HKEY_CURRENT_USER\\Software\\Example", REG_NONE, ""},
      {E::kValue, 5, "Name", REG_SZ, std::string("say \"hi\" C:\\dir\r\n\0", 18)},
      {E::kValue, 6, "Count", REG_DWORD, std::string("\x2A\0\0\0", 4)},
      {E::kValue, 7, "Block", REG_BINARY, std::string("\x01\x02\xff\xab", 4)},
      {E::kValue, 9, "Path", REG_EXPAND_SZ, std::string("%A%\0", 4)},
      {E::kValue, 10, "Odd", 4, std::string("\x01\x02", 2)},
      {E::kDeleteValue, 11, "Gone", REG_NONE, ""},
      {E::kDeleteKey, 12, "HKEY_CURRENT_USER\\Software\\Old", REG_NONE, ""},
  };
  std::vector<E> entries;
  std::string error;
  ASSERT_TRUE(ParseRegText(text, entries, error)) << error;
  std::vector<std::tuple<E::Kind, int, std::string, DWORD, std::string>> parsed;
  for (const E& e : entries)
    parsed.emplace_back(e.kind, e.line, e.kind == E::kKey || e.kind == E::kDeleteKey ? e.key : e.name, e.type, e.data);
  EXPECT_EQ(parsed, expected);
  ASSERT_TRUE(ParseRegText("REGEDIT4\n[HKCU\\X]\n\"P\"=hex(2):41,00\n", entries, error)) << error;
  EXPECT_EQ(std::string("A\0", 2), entries[1].data);
}

TEST(RegText, RejectsMalformedFilesWithTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "the file is empty"},
      {"REGEDIT5\n", "line 1: not a registry file"},
      {"REGEDIT4\n\"v\"=\"x\"\n", "line 2: a value before any key"},
      {"REGEDIT4\n[HKCU\\X\n", "line 2: a key needs a closing ']'"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=\"open\n", "line 3: a string has no closing quote"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\" \"x\"\n", "line 3: expected '='"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=dword:123456789\n", "line 3: a dword needs"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:1g\n", "line 3: hex data"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01,\\", "line 3: the value continues"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex(zz):01\n", "line 3: hex(N)"},
      {"Windows Registry Editor Version 5.00\n[HKCU\\X]\n\"v\"=hex(2):41\n", "line 3: UTF-16 string data"},
      {"REGEDIT4\n[-HKCU\\X]\n\"v\"=\"x\"\n", "line 3: a value under a key"},
      {"REGEDIT4\n[HKCU\\X] junk\n", "line 2: unexpected text after the key"},
  };
  for (const auto& c : cases) {
    std::vector<RegTextEntry> entries(1);
    std::string error;
    EXPECT_FALSE(ParseRegText(c.text, entries, error)) << c.text;
    EXPECT_EQ(0u, error.find(c.message)) << c.text << " gave: " << error;
    EXPECT_TRUE(entries.empty());
  }
}

// Hex data against the plain rule: "xx," while the line stays within 78 columns, otherwise a
// continuation ("\\", a line break, two spaces) first; the last byte has no comma. Names that
// fill the first line to each side of the limit, data across the writer's 64 KiB pieces.
TEST(RegText, HexDataWrapsByTheLineWidth) {
  std::mt19937 random(7);
  for (const size_t nameLength : {0, 68, 69, 70, 71, 90}) {
    for (const size_t size : {1, 26, 70000}) {
      std::string data(size, '\0'), bytes, text, expected = "\"" + std::string(nameLength, 'n') + "\"=hex:";
      for (char& c : data) c = static_cast<char>(random());
      RegTextWriter writer([&bytes](std::string_view piece) {
        bytes += piece;
        return true;
      });
      ASSERT_TRUE(writer.Value(std::string(nameLength, 'n'), REG_BINARY, data) && writer.Finish());
      for (size_t i = 2; i < bytes.size(); i += 2) text.push_back(bytes[i]);  // UTF-16LE of ASCII
      if (nameLength == 0) expected = "@=hex:";
      for (size_t i = 0, column = expected.size(); i < size; ++i) {
        const size_t width = i + 1 < size ? 3 : 2;
        if (column + width > 78) {
          expected += "\\\r\n  ";
          column = 2;
        }
        char item[4];
        std::snprintf(item, sizeof item, "%02x,", static_cast<unsigned char>(data[i]));
        expected.append(item, width);
        column += width;
      }
      EXPECT_NE(text.find(expected + "\r\n"), std::string::npos) << nameLength << " " << size;
    }
  }
}

}  // namespace
}  // namespace hk::test
