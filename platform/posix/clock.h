// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// The current time as UTC and as local time, to the millisecond.
void GetSystemTime(LPSYSTEMTIME time);
void GetLocalTime(LPSYSTEMTIME time);

// Calendar fields to 100-nanosecond units since 1601 and back. Out-of-range fields (and
// values of 0x8000000000000000 or more) fail with ERROR_INVALID_PARAMETER; the day of week is
// ignored on the way in and computed on the way out.
BOOL SystemTimeToFileTime(const SYSTEMTIME* time, LPFILETIME fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME time);

// Shift a whole value by the local zone's offset in effect now (daylight saving as it stands
// at the moment of the call), whatever date the value holds.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// Milliseconds since an arbitrary start (system start), wrapping at 2^32.
DWORD GetTickCount();
