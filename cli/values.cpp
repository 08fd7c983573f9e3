// hostkit guid / ip / time / env: GUID values, IPv4 addresses, the UTC clock and file times,
// and what the library can tell about the system, the user and the thread.
#include "command.h"

#include <hostkit/hostkit.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace hk::cli {

// A COleDateTime as YYYY-MM-DD HH:MM:SS, with milliseconds where the UTC clock added them.
std::string TimeText(const COleDateTime& time) {
  if (time.GetStatus() != COleDateTime::valid) return "(not a valid time)";
  std::string text = static_cast<const char*>(time.Format("%Y-%m-%d %H:%M:%S"));
  // The clock's values carry milliseconds when several calls fell into one second.
  const double seconds = (time.m_dt - std::floor(time.m_dt)) * 86400.0;
  const long ms = std::lround((seconds - std::floor(seconds + 1e-6)) * 1000.0) % 1000;
  if (ms > 0) {
    char part[8];
    std::snprintf(part, sizeof part, ".%03ld", ms);
    text += part;
  }
  return text;
}

namespace {

// ---- guid -------------------------------------------------------------------------------------

std::string GuidText(const CNuGuid& guid) {
  CString text;
  guid.GuidToHexString(text);
  return static_cast<const char*>(text);
}

// The text of the nil GUID parses to nil as well; anything else that gives nil did not parse.
bool ParseGuid(const std::string& text, CNuGuid& guid) {
  guid.GuidFromHexString(text.c_str());
  if (!guid.IsNil() || text == GuidText(CNuGuid())) return true;
  std::fprintf(stderr, "hostkit guid: '%s' is not a GUID (36 characters, 8-4-4-4-12 hex digits, no braces)\n",
               text.c_str());
  return false;
}

int RunGuid(Args& args) {
  if (args.empty()) throw UsageError("missing sub-command");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "new") {
    ExpectCount(args, 0, 1);
    const unsigned long count = args.empty() ? 1 : ParseNumber(args[0]);
    for (unsigned long i = 0; i < count; ++i) {
      CNuGuid guid;
      guid.Create();
      std::printf("%s\n", GuidText(guid).c_str());
    }
    return kSuccess;
  }
  if (sub == "parse" || sub == "hash") {
    ExpectCount(args, 1, 1);
    CNuGuid guid;
    if (!ParseGuid(args[0], guid)) return kFailure;
    if (sub == "parse") std::printf("%s\n", GuidText(guid).c_str());
    else std::printf("%u (0x%04X)\n", HashKey(guid), HashKey(guid));
    return kSuccess;
  }
  throw UsageError("unknown sub-command '" + sub + "'");
}

// ---- ip ---------------------------------------------------------------------------------------

bool IsNumber(const std::string& text) {
  if (text.empty()) return false;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
  return text.find_first_not_of("0123456789") == std::string::npos;
}

int RunIp(Args& args) {
  ExpectCount(args, 1, 1);
  const std::string& arg = args[0];
  if (IsNumber(arg)) {
    const unsigned long value = ParseNumber(arg);
    if (value > 0xFFFFFFFFul) {
      std::fprintf(stderr, "hostkit ip: %s is more than 32 bits\n", arg.c_str());
      return kFailure;
    }
    CString text;
    CNuIPAddress(static_cast<DWORD>(value)).GetText(text);
    std::printf("%s\n", static_cast<const char*>(text));
    return kSuccess;
  }
  const DWORD address = GetIPAddress(arg.c_str());
  // 0 stands for both 0.0.0.0 and text that does not parse; only zeros and dots mean the former.
  if (address == 0 && arg.find_first_not_of("0. \t") != std::string::npos) {
    std::fprintf(stderr, "hostkit ip: '%s' does not parse as an IPv4 address\n", arg.c_str());
    return kFailure;
  }
  CString text;
  CNuIPAddress(address).GetText(text);
  std::printf("%s = %lu (0x%08lX)\n", static_cast<const char*>(text), static_cast<unsigned long>(address),
              static_cast<unsigned long>(address));
  return kSuccess;
}

// ---- time -------------------------------------------------------------------------------------

bool IsDigits(const std::string& text, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// TIME on the command line: YYYY-MM-DD HH:MM[:SS], as one word or as a date and a time. Years
// start at 1601, where the system's file times begin.
COleDateTime ParseTimeArgs(const Args& words) {
  std::string text = words[0];
  for (size_t i = 1; i < words.size(); ++i) text += " " + words[i];
  const bool shapeOk = (text.size() == 16 || (text.size() == 19 && text[16] == ':' && IsDigits(text, 17, 2))) &&
                       IsDigits(text, 0, 4) && text[4] == '-' && IsDigits(text, 5, 2) && text[7] == '-' &&
                       IsDigits(text, 8, 2) && text[10] == ' ' && IsDigits(text, 11, 2) &&
                       text[13] == ':' && IsDigits(text, 14, 2);
  if (!shapeOk) throw UsageError("'" + text + "' is not a time of the form YYYY-MM-DD HH:MM[:SS]");
  auto field = [&](size_t at, size_t count) { return std::atoi(text.substr(at, count).c_str()); };
  const int year = field(0, 4);
  const int second = text.size() == 19 ? field(17, 2) : 0;
  COleDateTime time(year, field(5, 2), field(8, 2), field(11, 2), field(14, 2), second);
  if (year < 1601 || time.GetStatus() != COleDateTime::valid)
    throw UsageError("'" + text + "' is not a date and time of day from the year 1601 on");
  return time;
}

int RunTime(Args& args) {
  if (args.empty()) throw UsageError("missing sub-command");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "now") {
    ExpectCount(args, 0, 0);
    std::printf("%s UTC\n", TimeText(CNuTime::GetCurrentUTCTime()).c_str());
    return kSuccess;
  }
  if (sub == "to-utc" || sub == "to-local") {
    ExpectCount(args, 1, 2);
    COleDateTime time = ParseTimeArgs(args);
    if (sub == "to-utc") {
      LocalTimeToUTC(time);
      std::printf("%s UTC\n", TimeText(time).c_str());
    } else {
      UTCToLocalTime(time);
      std::printf("%s\n", TimeText(time).c_str());
    }
    return kSuccess;
  }
  if (sub == "file-get") {
    ExpectCount(args, 1, 1);
    COleDateTime time;
    if (!GetFileUTCTime(args[0].c_str(), time)) {
      std::fprintf(stderr, "hostkit time: %s: no such file\n", args[0].c_str());
      return kFailure;
    }
    std::printf("%s UTC\n", TimeText(time).c_str());
    return kSuccess;
  }
  if (sub == "file-set") {
    ExpectCount(args, 2, 3);
    COleDateTime time = ParseTimeArgs(Args(args.begin() + 1, args.end()));
    if (!SetFileUTCTime(args[0].c_str(), time)) {
      std::fprintf(stderr, "hostkit time: %s: cannot set its time (missing, read-only or in use)\n",
                   args[0].c_str());
      return kFailure;
    }
    return kSuccess;
  }
  throw UsageError("unknown sub-command '" + sub + "'");
}

// ---- env --------------------------------------------------------------------------------------

const char* YesNo(BOOL value) { return value ? "yes" : "no"; }

int RunEnv(Args& args) {
  ExpectCount(args, 0, 0);
  const char* family = IsWinNT() ? "NT family" : IsWin95() ? "Windows 95 family" : "other";
  std::printf("system family:          %s\n", family);
  std::printf("visible from desktop:   %s\n", YesNo(IsVisibleFromDesktop()));
  std::printf("task bar available:     %s\n", YesNo(IsTaskBarAvailable()));
  const CString computer = GetThisComputerName();
  std::printf("computer name:          %s\n", computer.IsEmpty() ? "(unknown or 16 characters and more)"
                                                                   : static_cast<const char*>(computer));
  const CString user = GetThisUserName();
  std::printf("user name:              %s\n", user.IsEmpty() ? "(unknown)" : static_cast<const char*>(user));
  std::printf("processor time (ms):    %lu\n", static_cast<unsigned long>(GetThreadTickCount(nullptr)));
  std::printf("UTC now:                %s\n", TimeText(CNuTime::GetCurrentUTCTime()).c_str());
  return kSuccess;
}

Registration guidCommand(Command{
    "guid", "make, parse and hash GUIDs",
    "usage: hostkit guid new [COUNT]\n"
    "       hostkit guid parse TEXT\n"
    "       hostkit guid hash TEXT\n\n"
    "new     prints COUNT (default 1) new GUIDs\n"
    "parse   prints TEXT in the library's form (lower case, 8-4-4-4-12, no braces); exit 1\n"
    "        when TEXT is not a GUID (braces, wrong length or digits)\n"
    "hash    prints the GUID's 16-bit hash, the key by which maps file it\n\n"
    "example: hostkit guid parse 6B29FC40-CA47-1067-B31D-00DD010662DA\n",
    RunGuid});

Registration ipCommand(Command{
    "ip", "IPv4 addresses between dotted text and numbers",
    "usage: hostkit ip TEXT|NUMBER\n\n"
    "TEXT    dotted-decimal text: prints the address and its number (first part most\n"
    "        significant). Parsing is lenient: text after the fourth part is ignored, an\n"
    "        empty part is 0, a part reads up to its first non-digit; a part outside 0..255\n"
    "        or fewer than four parts do not parse (exit 1)\n"
    "NUMBER  decimal or 0x hex: prints the dotted text\n\n"
    "examples: hostkit ip 192.168.1.2     hostkit ip 3232235778\n",
    RunIp});

Registration timeCommand(Command{
    "time", "the UTC clock, local/UTC conversion and file times in UTC",
    "usage: hostkit time now\n"
    "       hostkit time to-utc TIME\n"
    "       hostkit time to-local TIME\n"
    "       hostkit time file-get FILE\n"
    "       hostkit time file-set FILE TIME\n\n"
    "TIME is YYYY-MM-DD HH:MM[:SS] (quoted, or date and time as two words), from 1601 on.\n\n"
    "now       the library's UTC clock: whole seconds, plus milliseconds (.001, .002 ...) when\n"
    "          calls fall into one second, so no two readings in a process are equal\n"
    "to-utc    local TIME converted to UTC\n"
    "to-local  UTC TIME converted to local time\n"
    "          Both apply the zone offset in effect now (daylight saving as it stands today)\n"
    "          to TIME, whatever its date.\n"
    "file-get  the last-write time of FILE in UTC, to the second; exit 1 when nothing matches\n"
    "          (a name with wildcards gives the first match)\n"
    "file-set  sets the last-write time of FILE, nothing else, to the UTC TIME; exit 1 when\n"
    "          the file is missing, read-only or held open without sharing\n\n"
    "example: hostkit time file-set notes.txt '2024-06-15 12:00:00'\n",
    RunTime});

Registration envCommand(Command{
    "env", "what the library can tell about the system, the user and this thread",
    "usage: hostkit env\n\n"
    "Prints the system family, whether the process is visible from the desktop, whether a\n"
    "task bar exists, the computer and user names, the processor time this thread used and\n"
    "the UTC time. On POSIX systems: the family is NT, visible means a graphical display is\n"
    "reachable (DISPLAY or WAYLAND_DISPLAY), and there is no task bar.\n",
    RunEnv});

Registration tour(TourStep{40, "checksums, GUIDs, addresses and the UTC clock", [](std::FILE* out) {
  unsigned char abc[] = {'a', 'b', 'c'};
  const DWORD crc = GetCRC32(abc, 3);
  CNuMD5 md5;
  md5.GetBufferMD5(abc, 3);
  std::string digest;
  for (int i = 0; i < 16; ++i) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", md5.GetData()[i]);
    digest += two;
  }
  std::fprintf(out, "  \"abc\": CRC-32 %08X, MD5 %s\n", static_cast<unsigned>(crc), digest.c_str());

  CNuGuid guid;
  guid.Create();
  const CNuGuid again(GuidText(guid).c_str());
  std::fprintf(out, "  a new GUID %s reads back %s, hash %u\n", GuidText(guid).c_str(),
               again == guid ? "equal" : "different", HashKey(guid));

  CNuSortedDWordArray set;
  for (DWORD v : {9u, 0x80000000u, 3u, 9u, 1u}) set.Insert(v);
  std::fprintf(out, "  inserting 9, 0x80000000, 3, 9, 1 keeps the set");
  for (int i = 0; i < set.GetSize(); ++i) std::fprintf(out, " %lu", static_cast<unsigned long>(set[i]));
  std::fprintf(out, "\n");

  CString dotted;
  CNuIPAddress(" 192.168.1.2.99").GetText(dotted);
  std::fprintf(out, "  \" 192.168.1.2.99\" reads as %s, number %lu\n", static_cast<const char*>(dotted),
               static_cast<unsigned long>(GetIPAddress("192.168.1.2")));

  const COleDateTime first = CNuTime::GetCurrentUTCTime();
  const COleDateTime second = CNuTime::GetCurrentUTCTime();
  std::fprintf(out, "  two clock readings: %s and %s UTC\n", TimeText(first).c_str(), TimeText(second).c_str());
  const CString user = GetThisUserName();
  std::fprintf(out, "  running as %s on %s\n", static_cast<const char*>(user),
               static_cast<const char*>(GetThisComputerName()));
  return crc == 0x8FAEA5D9u && digest == "900150983cd24fb0d6963f7d28e17f72" && again == guid &&
         set.GetSize() == 4 && set[3] == 0x80000000u && dotted == "192.168.1.2" && second > first;
}});

}  // namespace
}  // namespace hk::cli
