// hostkit crc32 / hostkit md5: the library's CRC-32 and MD5 digests of files, the digests in the
// format of the md5sum utility, and checking such lists.
#include "command.h"

#include <hostkit/hostkit.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace hk::cli {
namespace {

// Files are checksummed in batches of this many: the output starts before a long list is done,
// and memory does not grow with it.
constexpr size_t kBatch = 4096;

// Checksums every name, a batch at a time, and hands each result with its name's index to
// `each`, in order.
template <typename Each>
void DigestAll(const std::vector<std::string>& names, DWORD kinds, Each each) {
  for (size_t first = 0; first < names.size(); first += kBatch) {
    const size_t count = std::min(names.size() - first, kBatch);
    CStringArray paths;
    paths.SetSize(static_cast<int>(count));
    for (size_t i = 0; i < count; ++i) paths[static_cast<int>(i)] = names[first + i].c_str();
    std::vector<FileDigest> results(count);
    GetFileDigests(paths, kinds, results.data());
    for (size_t i = 0; i < count; ++i) each(results[i], first + i);
  }
}

// A file that could not be read, reported as the library's exception for it reads.
void ReportFailure(const FileDigest& result, const std::string& name) {
  std::fflush(stdout);
  Guarded([&]() -> int {
    CFileException::ThrowOsError(static_cast<LONG>(result.error), name.c_str());
    return kFailure;
  });
}

int RunCrc32(Args& args) {
  ExpectCount(args, 1, static_cast<size_t>(-1));
  int status = kSuccess;
  DigestAll(args, DigestCRC32, [&](const FileDigest& result, size_t index) {
    if (result.error != ERROR_SUCCESS) {
      ReportFailure(result, args[index]);
      status = kFailure;
    } else {
      std::printf("%08X %llu %s\n", static_cast<unsigned>(result.crc32), static_cast<unsigned long long>(result.size),
                  args[index].c_str());
    }
  });
  return status;
}

std::string Hex(const BYTE (&digest)[16]) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kDigits[digest[i] >> 4];
    text[2 * i + 1] = kDigits[digest[i] & 15];
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
  int malformed = 0;
  std::vector<std::string> names, expected;
  std::string line;
  for (int c;;) {
    line.clear();
    while ((c = std::fgetc(list)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) break;
    std::string digest, name;
    if (ParseListLine(line, digest, name)) {
      names.push_back(name);
      expected.push_back(digest);
    } else {
      ++malformed;
    }
    if (c == EOF) break;
  }
  if (list != stdin) std::fclose(list);
  int mismatched = 0, unreadable = 0;
  DigestAll(names, DigestMD5, [&](const FileDigest& result, size_t index) {
    if (result.error != ERROR_SUCCESS) {
      ReportFailure(result, names[index]);
      std::printf("%s: FAILED open or read\n", names[index].c_str());
      ++unreadable;
    } else if (Hex(result.md5) != expected[index]) {
      std::printf("%s: FAILED\n", names[index].c_str());
      ++mismatched;
    } else {
      std::printf("%s: OK\n", names[index].c_str());
    }
  });
  if (names.empty()) {
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
  DigestAll(args, DigestMD5, [&](const FileDigest& result, size_t index) {
    if (result.error == ERROR_SUCCESS) {
      PrintDigestLine(Hex(result.md5), args[index]);
    } else {
      ReportFailure(result, args[index]);
      status = kFailure;
    }
  });
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
    "Files are read while others may read them too, but not while someone writes them; only\n"
    "regular files are read (a FIFO or device fails at once). Many files are digested side by\n"
    "side and over every processor.\n\n"
    "example: hostkit md5 *.iso > SUMS && hostkit md5 -c SUMS\n",
    RunMd5});

}  // namespace
}  // namespace hk::cli
