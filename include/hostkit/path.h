// Path names and files: splitting and joining, the canonical form, validation, spec lists,
// creating and copying, launching programs and shell hand-offs.
#pragma once

#include <hostkit/afx.h>

// ---- launching programs and shell hand-offs ---------------------------------------------------

// Starts the program of a command line, its main window shown (show TRUE) or hidden, with the
// host's wait cursor up meanwhile. With waitForIdle it waits up to 50 seconds for the program
// to be ready for input ("Timeout while launching the application" when it is not), with
// waitForExit until the program has ended. TRUE when the program was started; when it cannot
// be, "Cannot launch the application <command line>." is shown and the result is FALSE. The
// command line is passed to the system's writable buffer and comes back unchanged.
HOSTKIT_API int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle);

// Opens a document with the program the shell associates with it. Throws CNuOSException
// with the Win32 code of the shell's failure (no associated program: 1155).
HOSTKIT_API void OpenFileAssociation(const char* document);

// The names of a drop in drop order, and for each a flag: 1 for a directory, 0 otherwise.
// Both arrays are emptied first. The drop handle is released and must not be used again.
HOSTKIT_API void GetDroppedFileInfo(HDROP drop, CStringArray& names, CWordArray& flags);

// Lets the user pick existing files in the open-file dialog and appends their full names to
// 'names'. limit 0: any number, TRUE once accepted. Otherwise the dialog opens until the list
// (names it held before included) holds exactly 'limit' names; more selected than fit gives
// "Select only <limit> files, please!" and FALSE, the names that fitted kept. A cancel gives
// FALSE; a selection too long for the name buffer (256 characters per file allowed) gives
// "Failed to open: too many files selected." and FALSE. A negative limit gives FALSE at once.
HOSTKIT_API int GetMultipleFileNames(CStringList& names, CString& filter, int limit);

#if !defined(_WIN32)
// A drop handle for what a desktop drop delivers as "text/uri-list": one URI per line (CR LF
// or LF), '#' lines are comments. Local "file:" URIs (no host, "localhost" or this machine's
// name) give their percent-decoded names in list order; other URIs are left out. Release the
// handle with GetDroppedFileInfo or DragFinish. NULL (last error ERROR_INVALID_PARAMETER) for a
// NULL list.
HOSTKIT_API HDROP CreateDropFromUriList(const char* uriList);
#endif
