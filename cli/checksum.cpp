// hostkit crc32 / hostkit md5: the library's CRC-32 and MD5 digests of files, the digests in the
// format of the md5sum utility, and checking such lists.
#include "command.h"

#include <hostkit/hostkit.h>

#include <cstring>
#include <string>

namespace hk::cli {
namespace {

int RunCrc32(Args& args) {
  ExpectCount(args, 1, static_cast<size_t>(-1));
  int status = kSuccess;
  for (const auto& name : args) {
    const int one = Guarded([&] {
      ULONGLONG size = 0;
      const DWORD crc = GetFileCRC32(CString(name.c_str()), size);
      std::printf("%08X %llu %s\n", static_cast<unsigned>(crc), static_cast<unsigned long long>(size), name.c_str());
      return kSuccess;
    });
    if (one != kSuccess) status = kFailure;
  }
  return status;
}

std::string Hex(const CByteArray& digest) {
  std::string text;
  char two[3];
  for (int i = 0; i < digest.GetSize(); ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    text += two;
  }
  return text;
}

// md5sum marks a name holding a backslash, newline or carriage return with a leading
// backslash and writes those characters as escapes.
void PrintDigestLine(const std::string& digest, const std::string& name) {
  const bool escape = name.find_first_of("\\\n\r") != std::string::npos;
  std::string shown;
  for (char c : name) {
    if (escape && c == '\\') shown += "\\\\";
    else if (escape && c == '\n') shown += "\\n";
    else if (escape && c == '\r') shown += "\\r";
    else shown += c;
  }
  std::printf("%s%s  %s\n", escape ? "\\" : "", digest.c_str(), shown.c_str());
}

bool DigestOf(const std::string& name, std::string& digest) {
  return Guarded([&] {
    CString path(name.c_str());
    CByteArray bytes;
    DWORD size = 0;
    GetFileMD5(path, bytes, size);
    digest = Hex(bytes);
    return kSuccess;
  }) == kSuccess;
}

// One line of a digest list: 32 hex digits, a space, a space or '*', the name. A leading
// backslash means the name is escaped.
bool ParseListLine(std::string line, std::string& digest, std::string& name) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  bool escaped = false;
  if (!line.empty() && line[0] == '\\') {
    escaped = true;
    line.erase(0, 1);
  }
  if (line.size() < 35 || line[32] != ' ' || (line[33] != ' ' && line[33] != '*')) return false;
  digest = line.substr(0, 32);
  for (char& c : digest) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  name.clear();
  for (size_t i = 34; i < line.size(); ++i) {
    if (escaped && line[i] == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      if (next == '\\') name += '\\';
      else if (next == 'n') name += '\n';
      else if (next == 'r') name += '\r';
      else return false;
    } else {
      name += line[i];
    }
  }
  return !name.empty();
}

const char* Plural(int n, const char* one, const char* many) { return n == 1 ? one : many; }

int CheckList(const std::string& listName) {
  std::FILE* list = listName == "-" ? stdin : std::fopen(listName.c_str(), "rb");
  if (list == nullptr) {
    std::fprintf(stderr, "hostkit md5: %s: cannot open the list\n", listName.c_str());
    return kFailure;
  }
  int malformed = 0, mismatched = 0, unreadable = 0, checked = 0;
  std::string line;
  for (int c;;) {
    line.clear();
    while ((c = std::fgetc(list)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) break;
    std::string expected, name, actual;
    if (!ParseListLine(line, expected, name)) {
      ++malformed;
      continue;
    }
    ++checked;
    if (!DigestOf(name, actual)) {
      std::printf("%s: FAILED open or read\n", name.c_str());
      ++unreadable;
    } else if (actual != expected) {
      std::printf("%s: FAILED\n", name.c_str());
      ++mismatched;
    } else {
      std::printf("%s: OK\n", name.c_str());
    }
    if (c == EOF) break;
  }
  if (list != stdin) std::fclose(list);
  if (checked == 0) {
    std::fprintf(stderr, "hostkit md5: %s: no properly formatted MD5 checksum lines found\n", listName.c_str());
    return kFailure;
  }
  if (malformed)
    std::fprintf(stderr, "hostkit md5: WARNING: %d %s improperly formatted\n", malformed,
                 Plural(malformed, "line is", "lines are"));
  if (unreadable)
    std::fprintf(stderr, "hostkit md5: WARNING: %d listed %s could not be read\n", unreadable,
                 Plural(unreadable, "file", "files"));
  if (mismatched)
    std::fprintf(stderr, "hostkit md5: WARNING: %d computed %s did NOT match\n", mismatched,
                 Plural(mismatched, "checksum", "checksums"));
  return unreadable || mismatched ? kFailure : kSuccess;
}

int RunMd5(Args& args) {
  std::string listName;
  if (TakeFlag(args, "-c") || TakeFlag(args, "--check")) {
    ExpectCount(args, 0, 1);
    return CheckList(args.empty() ? "-" : args[0]);
  }
  ExpectCount(args, 1, static_cast<size_t>(-1));
  int status = kSuccess;
  for (const auto& name : args) {
    std::string digest;
    if (DigestOf(name, digest)) PrintDigestLine(digest, name);
    else status = kFailure;
  }
  return status;
}

Registration crcCommand(Command{
    "crc32", "the library's CRC-32 of files",
    "usage: hostkit crc32 FILE...\n\n"
    "Prints, for each file, its CRC-32 as eight hex digits, its size in bytes and its name.\n"
    "The checksum is the library's: polynomial 0x04C11DB7 most significant bit first,\n"
    "starting from all ones, the length folded in after the data, the result complemented.\n"
    "It is not the value the cksum utility prints (which starts from zero). Files are read\n"
    "while others may read them too, but not while someone writes them. Exit 1 when a file\n"
    "could not be read (the others are still checksummed).\n\n"
    "example: hostkit crc32 notes.txt\n",
    RunCrc32});

Registration md5Command(Command{
    "md5", "MD5 digests of files, as md5sum prints them, and checking such lists",
    "usage: hostkit md5 FILE...\n"
    "       hostkit md5 -c [LIST]\n\n"
    "FILE...   prints one line per file exactly as md5sum does: the digest in lower-case hex,\n"
    "          two spaces and the name (a name with a backslash, newline or carriage return\n"
    "          is escaped and its line starts with a backslash)\n"
    "-c LIST   reads such lines (from standard input without LIST or with -) and prints NAME:\n"
    "          OK or NAME: FAILED for each; exit 1 when a digest differs or a file cannot be\n"
    "          read\n\n"
    "Each file is opened exclusively: a file another program holds open cannot be digested.\n\n"
    "example: hostkit md5 *.iso > SUMS && hostkit md5 -c SUMS\n",
    RunMd5});

}  // namespace
}  // namespace hk::cli
