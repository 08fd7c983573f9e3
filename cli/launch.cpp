// hostkit run / hostkit open: starting programs and opening documents.
#include "command.h"

#include <hostkit/hostkit.h>

namespace hk::cli {
namespace {

// The tool's own file, in the folder GetAppPath names; the tour starts it again.
#if defined(_WIN32)
constexpr const char* kToolFile = "hostkit.exe";
#else
constexpr const char* kToolFile = "hostkit";
#endif

// One word as a Windows program's C runtime reads it back: quoted when it holds blanks or
// quotes, with the backslashes before a quote doubled.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    out += c;
    backslashes = 0;
  }
  out.append(backslashes * 2, '\\');
  return out + '"';
}

// The program's name is read without escapes: it may be quoted, but cannot hold a quote.
std::string QuoteProgram(const std::string& program) {
  if (program.find('"') != std::string::npos)
    throw UsageError("a program name cannot hold '\"'");
  if (!program.empty() && program.find_first_of(" \t") == std::string::npos) return program;
  return '"' + program + '"';
}

// Message boxes of a command-line run go to standard error, not to a window.
class MessagesToStderr {
 public:
  MessagesToStderr() {
    m_previous = AfxSetMessageBoxHandler([](const char* text, UINT, UINT) {
      std::fprintf(stderr, "hostkit: %s\n", text);
      return IDOK;
    });
  }
  ~MessagesToStderr() { AfxSetMessageBoxHandler(m_previous); }

 private:
  AfxMessageBoxHandler m_previous;
};

int Run(Args& args) {
  bool hide = false, wait = false, idle = false;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--hide") hide = true;
    else if (a == "--wait") wait = true;
    else if (a == "--idle") idle = true;
    else if (a.size() > 1 && a[0] == '-') throw UsageError("unknown option '" + a + "'");
    else break;
  }
  if (i >= args.size()) throw UsageError("a command line is needed");
  std::string line;
  if (i + 1 == args.size()) {
    line = args[i];  // one word is the whole command line, as the library receives it
  } else {
    line = QuoteProgram(args[i]);
    for (size_t k = i + 1; k < args.size(); ++k) line += ' ' + QuoteArgument(args[k]);
  }

  MessagesToStderr messages;
  CString commandLine(line.c_str());
  DWORD exitCode = 0;
  if (!RunApp(commandLine, hide ? FALSE : TRUE, wait ? TRUE : FALSE,
                          idle ? TRUE : FALSE, &exitCode))
    return kFailure;
  return wait ? static_cast<int>(exitCode) : kSuccess;
}

int Open(Args& args) {
  ExpectCount(args, 1, 1);
  OpenFileAssociation(args[0].c_str());
  return kSuccess;
}

Registration run(Command{
    "run", "start a program from a command line",
    "usage: hostkit run [--hide] [--wait] [--idle] -- COMMAND-LINE\n\n"
    "Starts a program as RunApp does. The command line is split into the program and its\n"
    "arguments by the Windows rules (quotes and backslashes, never a shell: ';', '|', '&&'\n"
    "and '$(...)' are plain text). One word after '--' is taken as the whole command line;\n"
    "several words are quoted so that each reaches the program as one argument.\n\n"
    "  --hide   start the program with its main window hidden\n"
    "  --idle   wait up to 50 seconds until the program is ready for input\n"
    "  --wait   wait until the program has ended\n\n"
    "Exit status: 0 when the program was started, 1 when it could not be; with --wait the\n"
    "program's own exit status.\n\n"
    "examples:\n"
    "  hostkit run -- 'editor \"my notes.txt\"'\n"
    "  hostkit run --wait -- make -C build\n",
    Run});

Registration open(Command{
    "open", "open a document with the program associated with it",
    "usage: hostkit open DOCUMENT\n\n"
    "Opens the document as OpenFileAssociation does: with the program the shell associates\n"
    "with its type (on POSIX desktops, through xdg-open). Exit status 0 when the shell took\n"
    "the document, 1 with the system's message when it did not (for example, no program is\n"
    "associated with the type).\n\n"
    "example:\n"
    "  hostkit open report.pdf\n",
    Open});

Registration tour(TourStep{35, "launching programs", [](std::FILE* out) {
  CString folder;
  GetAppPath(folder);
  CString commandLine((QuoteProgram(std::string(folder) + kToolFile) + " --version").c_str());
  std::fprintf(out, "  starting %s hidden and waiting for it:\n", static_cast<const char*>(commandLine));
  std::fflush(out);
  MessagesToStderr messages;
  DWORD exitCode = 1;
  const int started = RunApp(commandLine, FALSE, TRUE, FALSE, &exitCode);
  std::fprintf(out, "  started: %s, exit status %lu\n", started ? "yes" : "no",
               static_cast<unsigned long>(exitCode));
  return started != FALSE && exitCode == 0;
}});

}  // namespace
}  // namespace hk::cli
