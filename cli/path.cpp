// hostkit path / hostkit match: path names taken apart, reduced, checked and classified, and
// names matched against wildcard spec lists.
#include "command.h"

#include <hostkit/hostkit.h>

namespace hk::cli {
namespace {

const char* DriveTypeName(unsigned int type) {
  switch (type) {
    case 0: return "unknown";
    case 1: return "no such root";
    case 2: return "removable";
    case 3: return "fixed";
    case 4: return "network share";
    case 5: return "optical";
    case 6: return "RAM disk";
    case 100: return "network share mapped to a drive letter";
    default: return "other";
  }
}

int YesNo(int answer) {
  std::printf("%s\n", answer ? "yes" : "no");
  return answer ? kSuccess : kFailure;
}

int PrintDirectory(void (*query)(CString&)) {
  return Guarded([&] {
    CString path;
    query(path);
    std::printf("%s\n", static_cast<const char*>(path));
    return kSuccess;
  });
}

int RunPath(Args& args) {
  if (args.empty()) throw UsageError("missing sub-command");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "cwd" || sub == "temp" || sub == "app") {
    ExpectCount(args, 0, 0);
    if (sub == "cwd") return PrintDirectory(GetCurrentPath);
    if (sub == "temp") return PrintDirectory(GetTemporaryPath);
    return PrintDirectory(GetAppPath);
  }
  const bool keepCase = sub == "canon" && TakeFlag(args, "--keep-case");
  ExpectCount(args, 1, 1);
  const std::string& path = args[0];
  if (sub == "split") {
    CString directory, file;
    SeparatePathAndFile(path.c_str(), directory, file);
    std::printf("directory: %s\nfile: %s\n", static_cast<const char*>(directory),
                static_cast<const char*>(file));
    return kSuccess;
  }
  if (sub == "canon") {
    std::printf("%s\n", static_cast<const char*>(GetCanonicalPathName(path.c_str(), keepCase)));
    return kSuccess;
  }
  if (sub == "valid") {
    CString name(path.c_str());
    if (!GetValidPathName(name)) {
      std::fprintf(stderr, "hostkit: '%s' is not a valid path name\n", path.c_str());
      return kFailure;
    }
    std::printf("%s\n", static_cast<const char*>(name));
    return kSuccess;
  }
  if (sub == "root-type") {
    const unsigned int type = GetRootDirType(path.c_str());
    std::printf("%u (%s)\n", type, DriveTypeName(type));
    return kSuccess;
  }
  if (sub == "is-abs") return YesNo(IsAbsolutePath(path.c_str()));
  if (sub == "is-dir") return YesNo(IsDir(path.c_str()));
  if (sub == "is-file") return YesNo(IsFile(path.c_str()));
  throw UsageError("unknown sub-command '" + sub + "'");
}

int RunMatch(Args& args) {
  ExpectCount(args, 2, 2);
  const BOOL matches = NameIsInSpecList(args[0].c_str(), args[1].c_str());
  std::printf("%s\n", matches ? "matches" : "does not match");
  return matches ? kSuccess : kFailure;
}

Registration pathCommand(Command{
    "path", "take path names apart, reduce, check and classify them",
    "usage: hostkit path split|canon [--keep-case]|valid|root-type|is-abs|is-dir|is-file PATH\n"
    "       hostkit path cwd|temp|app\n\n"
    "split PATH      the directory (drive and directory, ending in a slash) and the file name\n"
    "canon PATH      the canonical form: one kind of slash, . and .. resolved, doubled and\n"
    "                trailing slashes removed, lower case unless --keep-case is given\n"
    "valid PATH      the full path name, or exit 1 when the name cannot be valid (wildcards,\n"
    "                a second colon, a syntax the file system refuses)\n"
    "root-type PATH  the type of the drive or share the name lives on\n"
    "is-abs PATH     yes (exit 0) when the name is absolute, no (exit 1) otherwise\n"
    "is-dir PATH     yes when the name is an existing directory\n"
    "is-file PATH    yes when the name is an existing file that can be opened for reading\n"
    "cwd             the current directory, with a separator appended\n"
    "temp            the directory for temporary files, with a separator appended\n"
    "app             the directory of this program\n\n"
    "Both \\ and / separate on input. Quote names that hold a backslash from the shell.\n",
    RunPath});

Registration matchCommand(Command{
    "match", "whether a file name matches a wildcard spec list",
    "usage: hostkit match NAME SPEC-LIST\n\n"
    "Exit 0 when NAME matches at least one spec of the list, 1 when it matches none.\n"
    "Specs are separated by commas, semicolons or spaces; a spec in double quotes may hold\n"
    "them. Base name and extension match separately: * matches any run of characters, ?\n"
    "one character or none, letters match either case. *.* matches names with an extension.\n\n"
    "example: hostkit match Report.TXT '*.txt; *.doc'\n",
    RunMatch});

Registration tour(TourStep{20, "path names and wildcard spec lists", [](std::FILE* out) {
  const char* sample = "C:\\Work\\Reports\\..\\Notes\\.\\Plan.Final.TXT";
  CString directory, file;
  SeparatePathAndFile(sample, directory, file);
  std::fprintf(out, "  %s\n  splits into directory %s and file %s\n", sample,
               static_cast<const char*>(directory), static_cast<const char*>(file));
  const CString canonical = GetCanonicalPathName(sample, FALSE);
  std::fprintf(out, "  its canonical form is %s\n", static_cast<const char*>(canonical));
  const char* list = "*.bak; \"my notes.txt\", plan.*.txt";
  const BOOL excluded = NameIsInSpecList(file, list);
  const BOOL kept = !NameIsInSpecList("Plan.doc", list);
  std::fprintf(out, "  against the list [%s]: %s %s, Plan.doc %s\n", list,
               static_cast<const char*>(file), excluded ? "matches" : "does not match",
               kept ? "does not" : "does");
  CString current, temporary;
  GetCurrentPath(current);
  GetTemporaryPath(temporary);
  std::fprintf(out, "  current directory %s, temporary directory %s\n",
               static_cast<const char*>(current), static_cast<const char*>(temporary));
  return canonical == "c:\\work\\notes\\plan.final.txt" && excluded && kept;
}});

}  // namespace
}  // namespace hk::cli
