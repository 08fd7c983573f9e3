// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Processes: a Win32 command line is split into arguments by the Windows rules and the program
// is started with posix_spawnp, never through a shell, so that ';', '|', '&&', '$(...)' and
// the like reach the program as the literal text of its arguments.
#pragma once

#include <hostkit/win32types.h>

#include <string>
#include <vector>

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
// The process handle and the thread handle both wait for the end of the process.
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

// Starts argv[0] (searched on PATH when it holds no slash) with the given arguments; stdin
// from /dev/null when quietInput is set. Returns the process id, or -1 with the last error set.
// The child is reaped by ReapProcess or, once abandoned with AbandonProcess, at a later call
// of this layer.
int SpawnProgram(const std::string& program, const std::vector<std::string>& argv,
                 bool quietInput);
// Waits up to 'milliseconds' (INFINITE: no limit) for the child to end; true with its exit
// status when it did. After that the process id is released.
bool ReapProcess(int pid, DWORD milliseconds, DWORD& exitCode);
// Gives up a child that may still run; it is reaped when it has ended, so no zombie stays.
void AbandonProcess(int pid);

}  // namespace hk::posix
