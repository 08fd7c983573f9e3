// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The network API and the RPC runtime's UUID services.
#pragma once

#include <hostkit/win32types.h>

// The network API's records and status codes (shared with the directory provider library that
// stands in for "NETAPI32.DLL"), the network provider's resource enumeration, and the global
// memory functions that the enumeration's callers allocate with.

// ---- the network API: records and status codes, laid out as the Win32 ABI lays them out ----

typedef DWORD NET_API_STATUS;
typedef void* PVOID;
#define NET_API_FUNCTION

#define NERR_Success 0
#define NERR_BASE 2100
#define NERR_InternalError 2140
#define NERR_GroupNotFound 2220
#define NERR_UserNotFound 2221
#define NERR_InvalidComputer 2351
#define NERR_DCNotFound 2453
#define ERROR_INVALID_LEVEL 124L
#define MAX_PREFERRED_LENGTH ((DWORD)-1)

#define FILTER_TEMP_DUPLICATE_ACCOUNT 0x0001
#define FILTER_NORMAL_ACCOUNT 0x0002
#define FILTER_INTERDOMAIN_TRUST_ACCOUNT 0x0008
#define FILTER_WORKSTATION_TRUST_ACCOUNT 0x0010
#define FILTER_SERVER_TRUST_ACCOUNT 0x0020

#define SE_GROUP_MANDATORY 0x00000001
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002
#define SE_GROUP_ENABLED 0x00000004

typedef struct _NET_DISPLAY_GROUP {
  LPWSTR grpi3_name;
  LPWSTR grpi3_comment;
  DWORD grpi3_group_id;
  DWORD grpi3_attributes;
  DWORD grpi3_next_index;
} NET_DISPLAY_GROUP, *PNET_DISPLAY_GROUP;

typedef struct _GROUP_INFO_0 {
  LPWSTR grpi0_name;
} GROUP_INFO_0, *PGROUP_INFO_0;

typedef struct _GROUP_INFO_1 {
  LPWSTR grpi1_name;
  LPWSTR grpi1_comment;
} GROUP_INFO_1, *PGROUP_INFO_1;

typedef struct _GROUP_USERS_INFO_0 {
  LPWSTR grui0_name;
} GROUP_USERS_INFO_0, *PGROUP_USERS_INFO_0;

typedef struct _GROUP_USERS_INFO_1 {
  LPWSTR grui1_name;
  DWORD grui1_attributes;
} GROUP_USERS_INFO_1, *PGROUP_USERS_INFO_1;

typedef struct _USER_INFO_0 {
  LPWSTR usri0_name;
} USER_INFO_0, *PUSER_INFO_0;

typedef struct _USER_INFO_10 {
  LPWSTR usri10_name;
  LPWSTR usri10_comment;
  LPWSTR usri10_usr_comment;
  LPWSTR usri10_full_name;
} USER_INFO_10, *PUSER_INFO_10;

// ---- network provider resource enumeration ---------------------------------------------------

typedef struct _NETRESOURCEA {
  DWORD dwScope;
  DWORD dwType;
  DWORD dwDisplayType;
  DWORD dwUsage;
  LPSTR lpLocalName;
  LPSTR lpRemoteName;
  LPSTR lpComment;
  LPSTR lpProvider;
} NETRESOURCEA, *LPNETRESOURCEA;

#define RESOURCE_CONNECTED 0x00000001
#define RESOURCE_GLOBALNET 0x00000002
#define RESOURCE_REMEMBERED 0x00000003
#define RESOURCETYPE_ANY 0x00000000
#define RESOURCETYPE_DISK 0x00000001
#define RESOURCETYPE_PRINT 0x00000002
#define RESOURCEUSAGE_CONNECTABLE 0x00000001
#define RESOURCEUSAGE_CONTAINER 0x00000002
#define RESOURCEDISPLAYTYPE_GENERIC 0x00000000
#define RESOURCEDISPLAYTYPE_DOMAIN 0x00000001
#define RESOURCEDISPLAYTYPE_SERVER 0x00000002
#define RESOURCEDISPLAYTYPE_NETWORK 0x00000006
#define WN_SUCCESS 0L
#define ERROR_BAD_NET_NAME 67L
#define ERROR_NOT_CONTAINER 1207L

// The host's directory as one network: the root holds a single network container, which holds
// the domain(s) the host belongs to (see HostDomains in platform/posix/netconfig.h); a domain
// holds the local computer. Every resource is a container, so a caller asking for connectable
// resources only finds none. The connected and remembered scopes enumerate nothing (this host
// keeps no network drive connections). A container name that is none of these:
// ERROR_BAD_NET_NAME; a resource without the container usage bit: ERROR_NOT_CONTAINER.
DWORD WNetOpenEnumA(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA container, HANDLE* handle);
// Win32 conventions: *count (0xFFFFFFFF: as many as fit) and *bufferSize in; the records first,
// their strings after them in the same buffer. ERROR_NO_MORE_ITEMS once everything was
// returned; ERROR_MORE_DATA with *bufferSize set to what the next entry needs when not even it
// fits.
DWORD WNetEnumResourceA(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD bufferSize);
DWORD WNetCloseEnum(HANDLE handle);

// ---- global memory ------------------------------------------------------------------------

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Only fixed memory exists here: the handle is the block's address. NULL with
// ERROR_NOT_ENOUGH_MEMORY on failure. GlobalFree answers NULL on success, as on Windows.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalFree(HGLOBAL memory);

// The RPC runtime's UUID services. A NULL UUID argument stands for the nil UUID, as it does for
// the system's functions; every status output may be NULL.

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
