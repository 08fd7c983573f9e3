// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>

typedef size_t SIZE_T;

#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define ERROR_FILE_INVALID 1006L
#define ERROR_MAPPED_ALIGNMENT 1132L

// File mappings of open files (named and anonymous mappings are not supported: a name, or
// INVALID_HANDLE_VALUE for the file, gives ERROR_INVALID_PARAMETER). A maximum size of 0 maps
// the file as long as it is now; an empty file then fails with ERROR_FILE_INVALID. A larger
// maximum grows a file mapped PAGE_READWRITE to that size. PAGE_READWRITE needs a file opened
// for writing (ERROR_ACCESS_DENIED otherwise).
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name);
// Views are shared with the file: what is written through a FILE_MAP_WRITE view reaches the
// file. A view stays valid after the mapping handle is closed. Length 0 maps from the offset
// to the end of the mapping; the offset must be a multiple of 65536 (ERROR_MAPPED_ALIGNMENT).
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
// Only the base address MapViewOfFile returned unmaps a view (ERROR_INVALID_ADDRESS otherwise).
BOOL UnmapViewOfFile(LPCVOID base);
