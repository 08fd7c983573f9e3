// Time and environment: a strictly increasing UTC clock, conversions between COleDateTime,
// CTime and SYSTEMTIME and between local time and UTC, file times in UTC; and small questions
// about the system, the user and the running thread.
#pragma once

#include <hostkit/afx.h>

// ---- UTC time ---------------------------------------------------------------------------------

class HOSTKIT_API CNuTime {
 public:
  // The current UTC time, strictly greater than every value returned before in this process,
  // from any thread. Readings of the system clock have whole seconds; a call that would not
  // move past the last value returned gets that value plus one millisecond instead, so a run
  // of calls within one second reads s, s + 1 ms, s + 2 ms ... and a clock that was stepped
  // back keeps adding 1 ms per call until it overtakes the sequence again.
  static COleDateTime GetCurrentUTCTime();
};

// Stores CNuTime::GetCurrentUTCTime() in the argument.
HOSTKIT_API void GetCurrentUCTime(COleDateTime& time);

// The CTime of the same calendar date and time of day, read as local time (daylight saving as
// the C run time decides for that date). A value that is not valid gives CTime(-1).
HOSTKIT_API CTime COleDateTimeToCTime(COleDateTime& time);
// Year to second from the value, day of week with Sunday = 0, milliseconds 0.
HOSTKIT_API void COleDateTimeToSYSTEMTIME(COleDateTime time, SYSTEMTIME& st);

// Convert in place between local time and UTC with the zone offset in effect at the moment of
// the call (daylight saving as it stands now), applied to the whole value whatever its date.
// A value the system cannot convert (for example one that is not valid) is left as it was.
HOSTKIT_API void LocalTimeToUTC(COleDateTime& time);
HOSTKIT_API void UTCToLocalTime(COleDateTime& time);

// The last-write time of the named file, in UTC, to the second. FALSE (time unchanged) when
// nothing matches the name; a name with wildcards gives the first entry found.
HOSTKIT_API BOOL GetFileUTCTime(const char* path, COleDateTime& time);
// Sets the named file's last-write time to the given UTC time, nothing else. FALSE when the
// time cannot be converted, the file cannot be opened for writing (missing, read-only, open
// elsewhere without sharing) or the system refuses the time, and when the file system stores
// another time than the one asked for (read back; differences under two seconds are its
// granularity).
HOSTKIT_API BOOL SetFileUTCTime(const char* path, COleDateTime& time);

// ---- environment ------------------------------------------------------------------------------
// On POSIX systems the Windows-specific questions answer as follows: IsWinNT TRUE and IsWin95
// FALSE (the system is a protected, multi-user one); IsVisibleFromDesktop TRUE when the process
// can reach a graphical display (DISPLAY or WAYLAND_DISPLAY is set); IsTaskBarAvailable FALSE
// (there is no task bar the library can ask for).

HOSTKIT_API BOOL IsWinNT();
HOSTKIT_API BOOL IsWin95();
// TRUE when the process's window station has exactly the flags value 1 (visible).
HOSTKIT_API BOOL IsVisibleFromDesktop();
// TRUE when the shell reports a task bar.
HOSTKIT_API BOOL IsTaskBarAvailable();
// The computer's name; empty when it cannot be read or has 16 characters or more.
HOSTKIT_API CString GetThisComputerName();
// The name of the user the calling thread runs as; empty when it cannot be read.
HOSTKIT_API CString GetThisUserName();
// Milliseconds of processor time (kernel plus user) the thread has used, wrapping at 2^32; a
// NULL handle means the calling thread; 0 when the times cannot be read.
HOSTKIT_API DWORD GetThreadTickCount(HANDLE thread);
// Copies the text into a buffer of 'size' bytes (at least 1), cut to whole characters of the
// current multi-byte code page (UTF-8 on POSIX) so that a character is never split:
//   "abcdef", 4 => "abc"    "abc", 4 => "abc"    "ab" + a two-byte character, 4 => "ab"
HOSTKIT_API void CopyToBuffer(const char* text, char* buffer, unsigned int size);
