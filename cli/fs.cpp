// hostkit find, store, mkdir, copy-folder, temp-file, readonly: directory search, the ID-named
// file store, creating and copying.
#include "command.h"

#include <hostkit/hostkit.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace hk::cli {
namespace {

CNuFileFinder::AttributeMatch ParseMatch(const std::string& text) {
  if (text == "any") return CNuFileFinder::MatchAny;
  if (text == "all") return CNuFileFinder::MatchAll;
  if (text == "only") return CNuFileFinder::MatchOnly;
  if (text == "exact") return CNuFileFinder::MatchExact;
  throw UsageError("--match takes any, all, only or exact");
}

int RunFind(Args& args) {
  std::string pattern = "*.*";
  std::string attrs;
  std::string match = "any";
  std::string exclude;
  const bool haveExclude = TakeOption(args, "--exclude", exclude);
  TakeOption(args, "--pattern", pattern);
  TakeOption(args, "--attrs", attrs);
  TakeOption(args, "--match", match);
  DWORD kinds = 0;
  if (TakeFlag(args, "--files")) kinds |= CNuFileFinder::FindFiles;
  if (TakeFlag(args, "--dirs")) kinds |= CNuFileFinder::FindDirectories;
  if (kinds == 0) kinds = CNuFileFinder::FindFiles | CNuFileFinder::FindDirectories;
  ExpectCount(args, 1, 1);
  const DWORD mask = attrs.empty() ? 0x19A7 : static_cast<DWORD>(ParseNumber(attrs));
  CNuFileFinder finder(args[0].c_str(), pattern.c_str(), kinds, mask, ParseMatch(match),
                       haveExclude ? exclude.c_str() : nullptr);
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  CString path;
  while (finder.Find(path)) {
    std::fputs(path, stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
  return kSuccess;
}

// A signed decimal (the second ID of "%08X.%d" names), or false when the text is not one.
bool ParseSigned(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end != nullptr && *end == '\0' && value >= INT32_MIN && value <= 0xFFFFFFFFLL;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, name.c_str());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunStore(Args& args) {
  if (args.size() < 2) throw UsageError("missing argument");
  CNuFileSystem store(args[0].c_str(), 0);
  const std::string action = args[1];
  args.erase(args.begin(), args.begin() + 2);
  if (action == "path") {
    ExpectCount(args, 1, 2);
    const DWORD id = static_cast<DWORD>(ParseNumber(args[0]));
    long long second = 0;
    CString path;
    if (args.size() == 1) path = store.GetFilePath(id);
    else if (ParseSigned(args[1], second)) path = store.GetFilePath(id, static_cast<DWORD>(second));
    else path = store.GetFilePath(id, args[1].c_str());
    std::printf("%s\n", static_cast<const char*>(path));
    return kSuccess;
  }
  if (action == "ids") {
    ExpectCount(args, 1, 1);
    DWORD id = 0;
    DWORD id2 = 0;
    if (!store.GetFileIDs(args[0].c_str(), id, id2)) {
      std::fprintf(stderr, "hostkit: '%s' is not named ID.N\n", args[0].c_str());
      return kFailure;
    }
    std::printf("0x%08X %d\n", static_cast<unsigned>(id), static_cast<int>(id2));
    return kSuccess;
  }
  if (action == "put") {
    ExpectCount(args, 2, 2);
    const std::string& name = args[0];
    const size_t dot = name.find('.');
    const DWORD id = static_cast<DWORD>(ParseNumber(name.substr(0, dot)));
    long long second = 0;
    if (dot != std::string::npos && !ParseSigned(name.substr(dot + 1), second))
      throw UsageError("'" + name + "' is not ID or ID.N");
    const CString path = dot == std::string::npos ? store.GetFilePath(id) : store.GetFilePath(id, static_cast<DWORD>(second));
    const std::string data = ReadFile(args[1]);
    store.CreateFile(path, static_cast<DWORD>(data.size()), data.data());
    std::printf("%s\n", static_cast<const char*>(path));
    return kSuccess;
  }
  if (action == "list") {
    ExpectCount(args, 0, 0);
    CStringArray files;
    store.EnumerateFiles(files);
    for (int i = 0; i < files.GetSize(); ++i) std::printf("%s\n", static_cast<const char*>(files[i]));
    return kSuccess;
  }
  if (action == "free") {
    ExpectCount(args, 0, 0);
    const DWORD free = store.GetFreeSpace();
    if (free == 0xFFFFFFFF) std::printf("4294967295 (4 GiB or more, or not known)\n");
    else std::printf("%lu\n", static_cast<unsigned long>(free));
    return kSuccess;
  }
  throw UsageError("unknown store action '" + action + "'");
}

int RunMkdir(Args& args) {
  ExpectCount(args, 1, 1);
  CString full = args[0].c_str();
  if (!ResolveValidatePath(full)) {
    std::fprintf(stderr, "hostkit: cannot create %s\n", args[0].c_str());
    return kFailure;
  }
  std::printf("%s\n", static_cast<const char*>(full));
  return kSuccess;
}

// The first entry of a tree, in the order CopyFolder copies it, that a copy cannot take: a name
// holding a backslash (a POSIX name the copy cannot address), or a file that is not a regular
// file that reads (a FIFO, socket or device). Gives the reason, or nullptr when there is none.
const char* FindUncopiable(const CString& folder, CString& culprit) {
  CString found;
  for (const DWORD kind : {DWORD{CNuFileFinder::FindDirectories}, DWORD{CNuFileFinder::FindFiles}}) {
    CNuFileFinder finder(folder, "*.*", kind, 0x19A7, CNuFileFinder::MatchAny, nullptr);
    while (finder.Find(found)) {
      culprit = found;
      if (std::strchr(finder.GetFindData().cFileName, '\\') != nullptr)
        return "its name holds a backslash, which would name another file";
      if (kind == CNuFileFinder::FindDirectories) {
        if (const char* why = FindUncopiable(found, culprit)) return why;
      } else if (!IsFile(found)) {
        return "only regular files are copied (not FIFOs, sockets or devices), and this one must be readable";
      }
    }
  }
  return nullptr;
}

int RunCopyFolder(Args& args) {
  ExpectCount(args, 2, 2);
  if (CopyFolder(args[0].c_str(), args[1].c_str())) return kSuccess;
  CNuOSException error(0xFFFFFFFF);
  char text[4096];
  if (!error.GetErrorMessage(text, sizeof text)) std::snprintf(text, sizeof text, "error %lu\n", static_cast<unsigned long>(error.m_dwError));
  CString culprit;
  if (const char* why = FindUncopiable(args[0].c_str(), culprit))
    std::fprintf(stderr, "hostkit: the copy stopped at %s: %s\n", static_cast<const char*>(culprit), why);
  else
    std::fprintf(stderr, "hostkit: the copy stopped at a folder or file it could not copy: %s", text);
  return kFailure;
}

int RunTempFile(Args& args) {
  ExpectCount(args, 0, 1);
  std::string data = args.empty() ? std::string() : ReadFile(args[0]);
  const char* name = CreateTempFile(reinterpret_cast<unsigned char*>(data.data()), static_cast<int>(data.size()));
  if (*name == '\0') return kFailure;
  std::printf("%s\n", name);
  return kSuccess;
}

int RunReadOnly(Args& args) {
  ExpectCount(args, 2, 2);
  std::error_code ec;
  if (!std::filesystem::exists(args[1], ec)) {
    std::fprintf(stderr, "hostkit: %s was not found\n", args[1].c_str());
    return kFailure;
  }
  if (args[0] == "on") EnableFileReadOnly(args[1].c_str());
  else if (args[0] == "off") EnableFileRW(args[1].c_str());
  else throw UsageError("say on or off");
  return kSuccess;
}

Registration find(Command{
    "find", "list the entries of a directory by pattern, kind and attributes",
    "usage: hostkit find DIR [--pattern P] [--files] [--dirs] [--attrs MASK]\n"
    "                        [--match any|all|only|exact] [--exclude SPEC-LIST]\n\n"
    "Prints the full path of each entry of DIR (not of its sub-directories), one a line.\n"
    "  --pattern P     wildcard pattern ('*', '?', any case; default *.*: every entry)\n"
    "  --files --dirs  the kinds to list (default both)\n"
    "  --attrs MASK    attribute bits to test (default 0x19A7, every bit but directory):\n"
    "                  0x1 read-only, 0x2 hidden, 0x4 system, 0x20 archive, 0x80 normal\n"
    "  --match M       any: shares a bit; all: has every bit; only: nothing outside MASK;\n"
    "                  exact: equals MASK (default any)\n"
    "  --exclude LIST  file specs to leave out, e.g. \"*.tmp;*.bak\" (directories stay)\n"
    "example: hostkit find /var/log --files --pattern '*.log' --exclude 'old*'\n",
    RunFind});

Registration store(Command{
    "store", "the store of files named by 32-bit IDs",
    "usage: hostkit store ROOT path ID [ID2|SUFFIX]\n"
    "       hostkit store ROOT ids PATH\n"
    "       hostkit store ROOT put ID[.N] FILE\n"
    "       hostkit store ROOT list\n"
    "       hostkit store ROOT free\n\n"
    "Files under ROOT are named 0000001A (ID), 0000001A.3 (ID and second ID, signed) or\n"
    "0000001A.tmp (ID and suffix). IDs are decimal or 0x hex.\n"
    "  path  the file name for an ID      ids   the IDs of a name ID.N\n"
    "  put   store FILE's bytes under ID  list  every file in ROOT\n"
    "  free  free bytes on ROOT's volume (4294967295 means 4 GiB or more)\n"
    "example: hostkit store /srv/data put 0x1A.3 report.pdf\n",
    RunStore});

Registration mkdir(Command{"mkdir", "create a directory and every missing parent",
                           "usage: hostkit mkdir DIR\n\nCreates DIR and the directories above it that are missing,\n"
                           "and prints its full name. Fails for names over 258 characters.\n",
                           RunMkdir});

Registration copyFolder(Command{
    "copy-folder", "copy a folder tree into another folder",
    "usage: hostkit copy-folder SRC DST\n\nCopies SRC with all its sub-folders and files into DST, creating\n"
    "folders as needed and overwriting files of the same name. Stops at the first\n"
    "folder or file that cannot be copied (a read-only target file, for one), naming it.\n"
    "Only regular files and folders are copied: a FIFO, socket or device (or a link to\n"
    "one) stops the copy. Each file is written under a scratch name beside its target\n"
    "and renamed when complete, so a stopped copy never leaves part of a file behind.\n",
    RunCopyFolder});

Registration tempFile(Command{"temp-file", "write data to a new temporary file",
                              "usage: hostkit temp-file [DATA-FILE]\n\nCreates a new file under the temporary "
                              "directory, private to you, holding\nDATA-FILE's bytes (nothing without one), and "
                              "prints its name.\n",
                              RunTempFile});

Registration readOnly(Command{"readonly", "set or clear a file's read-only attribute",
                              "usage: hostkit readonly on|off FILE\n", RunReadOnly});

Registration tour(TourStep{40, "file-system objects", [](std::FILE* out) {
  CString temp;
  GetTemporaryPath(temp);
  TrimEndSlash(temp);
  CString root;
  root.Format("%shostkit-tour-%08X", static_cast<const char*>(temp), static_cast<unsigned>(std::random_device{}()));
  if (!EnsureValidPath(root)) return false;
  bool ok = true;
  try {
    CNuFileSystem store(root + "/store", 0);
    EnsureValidPath(root + "/store");
    store.CreateFile(store.GetFilePath(0x1A, DWORD{1}), 5, "first");
    store.CreateFile(store.GetFilePath(0x1A, 0xFFFFFFFF), 6, "second");
    CStringArray files;
    store.EnumerateFiles(files);
    std::fprintf(out, "  an ID store in %s/store holds %d files, e.g. %s\n", static_cast<const char*>(root),
                 static_cast<int>(files.GetSize()), static_cast<const char*>(store.GetFilePath(0x1A, 0xFFFFFFFF)));
    DWORD id = 0, id2 = 0;
    ok = store.GetFileIDs(files[0], id, id2) != FALSE && files.GetSize() == 2;
    CNuFileMapping mapping;
    mapping.Open(store.GetFilePath(0x1A, DWORD{1}), 0);
    DWORD size = 0;
    const void* view = nullptr;
    mapping.GetBuffer(size, view);
    std::fprintf(out, "  mapped 0000001A.1: %lu bytes \"%.*s\"\n", static_cast<unsigned long>(size), static_cast<int>(size),
                 static_cast<const char*>(view));
    mapping.Close();
    const CString copy = root + "/copy/inner";
    ok = ok && CopyFolder(root + "/store", copy);
    CNuFileFinder finder(copy, "*.1", CNuFileFinder::FindFiles, 0x19A7,
                         CNuFileFinder::MatchAny, nullptr);
    CString found;
    ok = ok && finder.Find(found);
    std::fprintf(out, "  copied the folder; a search for *.1 in the copy finds %s\n", static_cast<const char*>(found));
    std::fprintf(out, "  free space on its volume: %lu bytes (4294967295: 4 GiB or more)\n",
                 static_cast<unsigned long>(store.GetFreeSpace()));
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove_all(static_cast<const char*>(root), ec);
    throw;
  }
  std::error_code ec;
  std::filesystem::remove_all(static_cast<const char*>(root), ec);
  return ok;
}});

}  // namespace
}  // namespace hk::cli
