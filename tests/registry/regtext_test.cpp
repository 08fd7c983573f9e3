// The registry text format: parsing and writing.
#include "tests/registry/registry_fixture.h"

#include "registry/regtext.h"

#include <cstdio>
#include <random>

namespace hk::test {
namespace {

using hk::registry::ParseRegText;
using hk::registry::RegTextEntry;
using hk::registry::RegTextWriter;

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(RegText, ParsesEveryKindOfEntry) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Example]\r\n"
      "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\\r\\n\"\r\n"
      "@=\"default\"\r\n"
      "\"Count\"=dword:0000002A\r\n"
      "\"Block\"=hex:01,02,\\\r\n"
      "  ff\r\n"
      "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"Odd\"=hex(4):01,02\r\n"
      "\"Gone\"=-\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n";
  std::vector<RegTextEntry> entries;
  std::string error;
  ASSERT_TRUE(ParseRegText(text, entries, error)) << error;
  ASSERT_EQ(9u, entries.size());
  EXPECT_EQ(RegTextEntry::kKey, entries[0].kind);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Example", entries[0].key);
  EXPECT_EQ("Name", entries[1].name);
  EXPECT_EQ(std::string("say \"hi\" C:\\dir\r\n\0", 18), entries[1].data);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), entries[1].type);
  EXPECT_EQ("", entries[2].name);
  EXPECT_EQ(std::string("\x2A\0\0\0", 4), entries[3].data);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), entries[3].type);
  EXPECT_EQ(std::string("\x01\x02\xff", 3), entries[4].data);
  EXPECT_EQ(8, entries[4].line);
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), entries[5].type);
  EXPECT_EQ(std::string("%A%\0", 4), entries[5].data);
  EXPECT_EQ(std::string("\x01\x02", 2), entries[6].data);
  EXPECT_EQ(RegTextEntry::kDeleteValue, entries[7].kind);
  EXPECT_EQ(RegTextEntry::kDeleteKey, entries[8].kind);
  EXPECT_EQ("HKEY_CURRENT_USER\\Software\\Old", entries[8].key);
  EXPECT_EQ(13, entries[8].line);

  // The same file as the registry editor writes it, in UTF-16.
  std::vector<RegTextEntry> wide;
  ASSERT_TRUE(ParseRegText(Utf16(text), wide, error)) << error;
  ASSERT_EQ(entries.size(), wide.size());
  EXPECT_EQ(entries[1].data, wide[1].data);
  // And the older form, where strings are not UTF-16.
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
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=dword:xyz\n", "line 3: a dword needs"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:1g\n", "line 3: hex data"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01,\\", "line 3: the value continues"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex(zz):01\n", "line 3: hex(N)"},
      {"Windows Registry Editor Version 5.00\n[HKCU\\X]\n\"v\"=hex(2):41\n", "line 3: UTF-16 string data"},
      {"REGEDIT4\n[-HKCU\\X]\n\"v\"=\"x\"\n", "line 3: a value under a key"},
      {"REGEDIT4\n[HKCU\\X]\nnonsense\n", "line 3: unexpected text"},
      {"REGEDIT4\n[HKCU\\X] junk\n", "line 2: unexpected text after the key"},
      {"REGEDIT4\n[]\n", "line 2: the key has no name"},
  };
  for (const auto& c : cases) {
    std::vector<RegTextEntry> entries(1);
    std::string error;
    EXPECT_FALSE(ParseRegText(c.text, entries, error)) << c.text;
    EXPECT_EQ(0u, error.find(c.message)) << c.text << " gave: " << error;
    EXPECT_TRUE(entries.empty());
  }
}

// The ASCII characters of UTF-16LE text (others as '?'), to look for what was written.
std::string Narrow(const std::string& utf16) {
  std::string text;
  for (size_t i = 2; i + 1 < utf16.size(); i += 2) text.push_back(utf16[i + 1] == 0 ? utf16[i] : '?');
  return text;
}

TEST(RegText, WriterOutputReadsBackExactly) {
  std::string bytes;
  RegTextWriter writer([&bytes](std::string_view piece) {
    bytes += piece;
    return true;
  });
  ASSERT_TRUE(writer.Key("HKEY_CURRENT_USER\\Software\\W"));
  const struct {
    std::string name;
    DWORD type;
    std::string data;
  } values[] = {
      {"plain", REG_SZ, std::string("a \"q\" \\ b\0", 11)},
      {"", REG_SZ, std::string("default\0", 8)},
      {"lines", REG_SZ, std::string("one\r\ntwo\n\0", 10)},
      {"name\r\nwith \"line\" breaks\\", REG_DWORD, std::string("\x05\0\0\0", 4)},
      {"unterminated", REG_SZ, std::string("abc", 3)},
      {"embedded", REG_SZ, std::string("a\0b\0", 4)},
      {"dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4)},
      {"short dword", REG_DWORD, std::string("\x01\x02", 2)},
      {"expand", REG_EXPAND_SZ, std::string("%PATH%;x\r\n\0", 11)},
      {"multi", REG_MULTI_SZ, std::string("a\0bb\0\0", 6)},
      {"long", REG_BINARY, std::string(300, '\x5a')},
      {"empty", REG_BINARY, std::string()},
      {"qword", 11, std::string("\1\2\3\4\5\6\7\x08", 8)},
  };
  for (const auto& v : values) EXPECT_TRUE(writer.Value(v.name, v.type, v.data)) << v.name;
  ASSERT_TRUE(writer.Finish());
  ASSERT_EQ("\xFF\xFE", bytes.substr(0, 2));
  // Line breaks stand as the escapes the reader knows, on the value's own line.
  EXPECT_NE(std::string::npos, Narrow(bytes).find("\r\n\"lines\"=\"one\\r\\ntwo\\n\"\r\n"));
  EXPECT_NE(std::string::npos, Narrow(bytes).find("\r\n\"name\\r\\nwith \\\"line\\\" breaks\\\\\"=dword:00000005\r\n"));
  std::vector<RegTextEntry> entries;
  std::string error;
  ASSERT_TRUE(ParseRegText(bytes, entries, error)) << error;
  ASSERT_EQ(1 + sizeof values / sizeof values[0], entries.size());
  for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
    EXPECT_EQ(values[i].name, entries[i + 1].name);
    EXPECT_EQ(values[i].type, entries[i + 1].type) << values[i].name;
    EXPECT_EQ(values[i].data, entries[i + 1].data) << values[i].name;
  }
}

// Binary data by the plain rule: "xx," while the line stays within 78 columns, otherwise a
// continuation ("\", a line break, two spaces) first; the last byte has no comma.
std::string HexModel(size_t column, const std::string& data) {
  std::string text;
  for (size_t i = 0; i < data.size(); ++i) {
    const size_t width = i + 1 < data.size() ? 3 : 2;
    if (column + width > 78) {
      text += "\\\r\n  ";
      column = 2;
    }
    char item[4];
    std::snprintf(item, sizeof item, width == 3 ? "%02x," : "%02x", static_cast<unsigned char>(data[i]));
    text += item;
    column += width;
  }
  return text;
}

TEST(RegText, HexDataWrapsByTheLineWidth) {
  std::mt19937 random(7);
  // Names that leave the first line full, nearly full or overflowing; data across a line's
  // 25 bytes and across the pieces the writer works in.
  for (const size_t nameLength : {0, 1, 68, 69, 70, 71, 72, 90}) {
    for (const size_t size : {1, 2, 25, 26, 27, 70000}) {
      std::string data(size, '\0');
      for (char& c : data) c = static_cast<char>(random());
      std::string bytes;
      RegTextWriter writer([&bytes](std::string_view piece) {
        bytes += piece;
        return true;
      });
      const std::string name(nameLength, 'n');
      ASSERT_TRUE(writer.Value(name, REG_BINARY, data));
      ASSERT_TRUE(writer.Finish());
      const std::string prefix = (name.empty() ? "@" : "\"" + name + "\"") + "=hex:";
      EXPECT_NE(std::string::npos, Narrow(bytes).find(prefix + HexModel(prefix.size(), data) + "\r\n"))
          << "name of " << nameLength << ", " << size << " bytes";
    }
  }
}

}  // namespace
}  // namespace hk::test
