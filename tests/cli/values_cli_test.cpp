// The checksum, value, time and environment commands as a user runs them: their output
// against known values and the library's own answers, and their exit statuses.
#include "tests/support/fixtures.h"

#include "platform/win32.h"
#include "tests/support/zone.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using hk::test::Lines;
using hk::test::Quote;
using hk::test::RunTool;
using hk::test::TempDir;
using hk::test::ToolRun;

class ValuesCli : public hk::test::ToolTest {
 protected:
  TempDir dir;
};

TEST_F(ValuesCli, Crc32PrintsChecksumSizeAndName) {
  const std::string abc = dir.WriteFile("abc", "abc");
  const std::string empty = dir.WriteFile("empty", "");
  const ToolRun r = RunTool("crc32 " + Quote(abc) + " " + Quote(empty));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "8FAEA5D9 3 " + abc + "\n00000000 0 " + empty + "\n");
}

// The digest lines themselves: compared with md5sum's below.
TEST_F(ValuesCli, Md5ChecksItsOwnList) {
  const std::string abc = dir.WriteFile("abc", "abc");
  const ToolRun r = RunTool("md5 " + Quote(abc));
  EXPECT_EQ(r.status, 0);
  const std::string list = dir.WriteFile("SUMS", r.out);
  EXPECT_EQ(RunTool("md5 -c " + Quote(list)).status, 0);
  dir.WriteFile("abc", "abd");
  const ToolRun changed = RunTool("md5 -c " + Quote(list));
  EXPECT_EQ(changed.status, 1);
  EXPECT_NE(changed.out.find("abc: FAILED\n"), std::string::npos) << changed.out;
}

// The same names given to md5sum and to the tool: the same bytes on standard output, escaped
// names included, in the order given, across enough files to fill every lane and worker. A name
// that cannot be read fails alone; a FIFO among them fails at once instead of waiting for data.
TEST_F(ValuesCli, Md5PrintsWhatMd5sumPrints) {
#if defined(_WIN32)
  GTEST_SKIP() << "no md5sum to compare with, and names cannot hold line breaks here";
#else
  if (std::system("md5sum --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no md5sum utility to run here";
  std::vector<std::string> names;
  for (const char* odd : {"with space", "new\nline", "carriage\rreturn", "tab\tand more"})
    names.push_back(dir.WriteFile(odd, odd));
  for (int i = 0; i < 70; ++i)
    names.push_back(dir.WriteFile("f" + std::to_string(i), std::string(i * 997, char('a' + i % 26))));
  std::string arguments;
  for (const auto& name : names) arguments += " " + Quote(name);
  const std::string missing = " " + Quote(dir / "missing");
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(std::system(("mkfifo " + Quote(fifo)).c_str()), 0);

  const std::string listed = dir / "md5sum.out";
  std::system(("md5sum" + arguments + missing + " > " + Quote(listed) + " 2>/dev/null").c_str());
  const ToolRun r = RunTool("md5" + arguments + missing + " " + Quote(fifo));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, hk::test::ReadWholeFile(listed));
  EXPECT_EQ(Lines(r.err).size(), 2u) << r.err;

#endif
}

TEST_F(ValuesCli, GuidNewAndParse) {
  const ToolRun made = RunTool("guid new 3");
  EXPECT_EQ(made.status, 0);
  EXPECT_EQ(made.out.size(), 3 * 37u) << made.out;
  const ToolRun parsed = RunTool("guid parse 6B29FC40-CA47-1067-B31D-00DD010662DA");
  EXPECT_EQ(parsed.status, 0);
  EXPECT_EQ(parsed.out, "6b29fc40-ca47-1067-b31d-00dd010662da\n");
  EXPECT_EQ(RunTool("guid parse {6b29fc40-ca47-1067-b31d-00dd010662da}").status, 1);
}
TEST_F(ValuesCli, IpConvertsBothWays) {
  const ToolRun r = RunTool("ip 192.168.1.2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "192.168.1.2 = 3232235778 (0xC0A80102)\n");
  EXPECT_EQ(RunTool("ip 0xFFFFFFFF").out, "255.255.255.255\n");
  EXPECT_EQ(RunTool("ip 1.2.3").status, 1);
}
TEST_F(ValuesCli, TimeFileSetThenGet) {
  const std::string file = dir.WriteFile("notes.txt", "abc");
  // Seconds may be left out, and date and time may be two words.
  EXPECT_EQ(RunTool("time file-set " + Quote(file) + " 1999-12-31 23:59").status, 0);
  const ToolRun r = RunTool("time file-get " + Quote(file));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1999-12-31 23:59:00 UTC\n");
  EXPECT_EQ(RunTool("time file-get " + Quote(dir / "missing")).status, 1);
  for (const char* bad : {"2024-02-30 10:00", "2024-06-15", "2024-06-15 24:00", "1600-12-31 10:00",
                          "15.06.2024 12:00", "2024-06-15 12:00:00x"})
    EXPECT_EQ(RunTool("time file-set " + Quote(file) + " " + Quote(bad)).status, 2) << bad;
  EXPECT_EQ(RunTool("time file-get " + Quote(file)).out, "1999-12-31 23:59:00 UTC\n");
}

TEST_F(ValuesCli, TimeConversionsFollowTheZone) {
#if defined(_WIN32)
  GTEST_SKIP() << "the tool's time zone is set for it through TZ on POSIX only";
#else
  // UTC+5 for the tool.
  hk::test::ScopedZone zone("STD-5");
  EXPECT_EQ(RunTool("time to-utc \"2024-06-15 12:00\"").out, "2024-06-15 07:00:00 UTC\n");
  EXPECT_EQ(RunTool("time to-local \"2024-06-15 07:00:00\"").out, "2024-06-15 12:00:00\n");
#endif
}

}  // namespace
