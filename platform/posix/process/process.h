// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Modules bound at run time, processes, and the shell's hand-offs.
#pragma once

#include <hostkit/win32types.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A module handle is the base address of the loaded object, as on Windows, so that the same
// handle names a module whether it came from LoadLibraryA or from an address inside it.

// Loads a shared object. "MAPI32.DLL" and "NETAPI32.DLL" (any case) name this project's
// provider libraries, looked for in $HOSTKIT_PROVIDER_DIR, then beside the library, then on
// the loader's path (while the process runs set-user-ID, set-group-ID or with capabilities,
// the variable is ignored). Other names are handed to the loader with '\\' turned into '/'.
// Failure: NULL, last error ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// A function or variable the module itself defines, as its export table would list it: a name
// the loader finds only in a library the module depends on (malloc in the C library, say)
// fails like a missing one, with ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// NULL names the executable; otherwise a module already loaded whose file name (or its last
// component) matches without regard to case. Failure: NULL, ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleA(LPCSTR name);
// The full file name of a module (NULL: the executable). Win32 conventions: the characters
// copied without NUL; when the buffer is too small the name is cut to size - 1 characters,
// size is returned and the last error is ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

namespace hk::posix {

// Built-in modules answer GetProcAddress from a table instead of the loader (used where the
// library binds one of its own POSIX functions by name, as it would bind a system DLL's).
struct BuiltinExport {
  const char* name;
  FARPROC address;
};
void RegisterBuiltinModule(const char* dllName, const BuiltinExport* exports, size_t count);

}  // namespace hk::posix

// Processes: a Win32 command line is split into arguments by the Windows rules and the program
// is started with posix_spawnp, never through a shell, so that ';', '|', '&&', '$(...)' and
// the like reach the program as the literal text of its arguments.



typedef struct _STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#define CREATE_DEFAULT_ERROR_MODE 0x04000000
#define STARTF_USESHOWWINDOW 0x00000001
#define STILL_ACTIVE 259
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_FAILED 0xFFFFFFFFu

// Starts a program. The program is the application name when one is given, else the first
// token of the command line as the system reads it: up to the next '"' when the line starts
// with one, otherwise up to the first blank (longer prefixes holding blanks are not tried; a
// name with blanks must be quoted). A name without a slash is looked up on PATH. The program
// receives the arguments the C runtime of a Windows program would have built from the command
// line (see SplitCommandLine), argv[0] included.
// Supported: security attributes, creation flags and the show-window request are accepted and
// have no effect (POSIX programs have no window the starter could hide); the environment and
// the current directory are inherited, so both must be NULL (else ERROR_NOT_SUPPORTED).
// Standard input, output and error are the caller's. Failure: FALSE with the last error from
// the start (ERROR_FILE_NOT_FOUND for a missing program, ERROR_ACCESS_DENIED for one that may
// not be run, ERROR_BAD_EXE_FORMAT for a file the system cannot execute).
// The process handle and the thread handle both wait for the end of the process. The process
// is not the caller's child (see StartedProgram): closing both handles lets go of it, and it
// leaves nothing behind when it ends.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);

// WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT when it still runs after the time
// (INFINITE waits without limit), WAIT_FAILED with the last error for a bad handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// The exit status of an ended process (for a process ended by a signal, 128 plus the signal
// number, as shells report it), STILL_ACTIVE while it runs.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// "Ready for input" on POSIX: the program has been loaded and has come to rest waiting for
// something to happen, the state of an event loop with nothing to do. It reads as reached when
// two looks at the process, 20 milliseconds apart, both find it asleep in an interruptible wait
// without having used processor time in between. 0 when that is seen within the time,
// WAIT_TIMEOUT when the program keeps running or starting until the time is over, WAIT_FAILED
// when it has ended, or where the system does not show process states (no /proc): like a
// Windows program without a message queue, such a process has no idle state to wait for.
DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);

namespace hk::posix {

// The arguments a Windows program's C runtime builds from its command line: argv[0] ends at
// the first blank (space or tab) outside quotes, quotes toggle and are dropped, backslashes are
// plain characters. In the other arguments, 2n backslashes before '"' give n backslashes and
// the quote opens or closes a quoted part, 2n+1 backslashes before '"' give n backslashes and a
// literal '"', other backslashes stay as they are, and inside a quoted part '""' is a literal
// '"'. For example  a\\"b c"d  x\y  ""  =>  {a\b cd, x\y, ""}.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The program the system starts for a command line: the text between the first pair of
// quotes when it starts with a quote, else everything up to the first blank.
std::string ProgramOfCommandLine(const std::string& commandLine);

// A program started by this layer. It is not a child of the caller: a waiter process started
// with it waits for it and reports its end through a pipe (see spawn.cpp), so once the program
// has ended nothing of it is left to reap, whether or not anyone still holds it, and the
// library needs no thread and no SIGCHLD handler.
class StartedProgram {
 public:
  // Starts the program (searched on PATH when it holds no slash) with posix_spawnp and the
  // given arguments, the caller's environment, directory and standard streams (standard input
  // from /dev/null when quietInput is set), default signal handling and an empty mask. nullptr with the last error set when it cannot be
  // started (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT ...).
  static std::shared_ptr<StartedProgram> Start(const std::string& program, const std::vector<std::string>& argv,
                                               bool quietInput);
  // Lets go of the program, which runs on.
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  int Id() const { return m_pid; }
  // Waits up to `milliseconds` (INFINITE: no limit; 0: only looks) for the program to end;
  // true once it has. Any number of threads may wait at once.
  bool Wait(DWORD milliseconds);
  bool Ended() const { return m_ended.load(); }
  // Its exit status once it has ended (128 + the signal number for a program ended by a
  // signal), STILL_ACTIVE before.
  DWORD ExitCode() const { return m_exitCode.load(); }

 private:
  StartedProgram(int pid, int reportFd);
  const int m_pid;
  const int m_reportFd;
  std::mutex m_reading;
  std::atomic<bool> m_ended{false};
  std::atomic<DWORD> m_exitCode{STILL_ACTIVE};
};

}  // namespace hk::posix

// The shell: documents opened through the desktop's opener, and drag-and-drop handles.


#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

// Opens a document (or a URL) with the program the desktop associates with it: the desktop's
// opener, xdg-open, found on PATH, is started without a shell with the document as its one
// argument and standard input from /dev/null. The verb must be NULL or "open"; parameters and
// directory must be NULL or empty; the window and show command are accepted and unused.
// Result: a value above 32 on success, else a shell result code:
//   document (a name, not a URL) missing: SE_ERR_FNF, or SE_ERR_PNF when its folder is
//     missing; not reachable: SE_ERR_ACCESSDENIED
//   another verb, or parameters given: SE_ERR_NOASSOC
//   no xdg-open on PATH: SE_ERR_NOASSOC (nothing on this system opens documents)
//   xdg-open exit 0: success; 2 (file not found): SE_ERR_FNF; 3 (no program for the type):
//     SE_ERR_NOASSOC; 4 (the program it chose failed) and any other status: SE_ERR_DDEFAIL
//   xdg-open still running after 10 seconds (it runs the program it chose in the foreground):
//     success; it runs on
//   xdg-open cannot be started for another reason: SE_ERR_OOM.
HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, INT_PTR showCommand);

// Drop handles. DragQueryFileA: with index 0xFFFFFFFF the number of names; with a NULL buffer
// the length of the name at the index (without its NUL); otherwise the name copied into the
// buffer, cut to size - 1 characters, and the characters copied. 0 for an index out of range
// or a bad handle. DragFinish releases the handle.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size);
void DragFinish(HDROP drop);
