// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The RPC runtime's UUID services. A NULL UUID argument stands for the nil UUID, as it does for
// the system's functions; every status output may be NULL.
#pragma once

#include <hostkit/win32types.h>

typedef LONG RPC_STATUS;
typedef unsigned char* RPC_CSTR;

#ifndef RPC_S_OUT_OF_MEMORY
#  define RPC_S_OUT_OF_MEMORY 14L
#endif

// A random (version 4, RFC 4122 variant) UUID from the system's random source. Answers
// RPC_S_OK; RPC_S_UUID_NO_ADDRESS, leaving the UUID unchanged, only when no random source
// can be read, so that callers fall back to a UUID unique within the process.
RPC_STATUS UuidCreate(UUID* uuid);
// TRUE when the two are equal.
int UuidEqual(UUID* a, UUID* b, RPC_STATUS* status);
// -1, 0 or 1: Data1, Data2 and Data3 compared as unsigned numbers, then the bytes of Data4.
int UuidCompare(UUID* a, UUID* b, RPC_STATUS* status);
// The 16-bit hash of the DCE runtime (two running byte sums reduced modulo 255), so that
// the same UUID hashes to the same value as on Windows.
unsigned short UuidHash(UUID* uuid, RPC_STATUS* status);
// The 36-character text form, lower case, in a string to free with RpcStringFreeA;
// RPC_S_OUT_OF_MEMORY when it cannot be allocated.
RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* text);
// Frees a string of UuidToStringA and sets the pointer to NULL.
RPC_STATUS RpcStringFreeA(RPC_CSTR* text);
// Reads the 36-character text form, digits in either case, no braces; a NULL text gives the nil
// UUID. Anything else answers RPC_S_INVALID_STRING_UUID and leaves the UUID unchanged.
RPC_STATUS UuidFromStringA(RPC_CSTR text, UUID* uuid);
