// Path names and files: taking them apart and putting them together, one canonical text form,
// validation and drive classification, wildcard spec lists, creating and copying, launching
// programs and shell hand-offs.
//
// Both '\' and '/' separate on input. Where the library adds a separator it adds the
// platform's own ('\' on Windows, '/' elsewhere). Directory names handed out end in a
// separator, so that a file name can be appended directly.
#pragma once

#include <hostkit/afx.h>

// ---- path-string primitives -------------------------------------------------------------------

// The later of the last '\' and the last '/' in path, or NULL when it has neither. Points into
// the caller's string; the second byte of a double-byte character is never taken for a slash.
//   a/b\c => "\c"     a\b/c => "/c"     abc => NULL
HOSTKIT_API char* FindLastSlash(const char* path);
// TRUE when the last slash is the last character:  C:\ and dir/ => TRUE;  C: and "" => FALSE.
HOSTKIT_API int PathHasEndSlash(const char* path);
// Appends one separator, without testing what the path ends in (C:\ => C:\\ on Windows).
HOSTKIT_API void AppendEndSlash(CString& path);
// Removes the last character when it is a slash (one character only: C:\ => C:, \ => "").
HOSTKIT_API void TrimEndSlash(CString& path);
// Splits a name into directory (drive and directory part, up to and including the last slash)
// and file (base name and extension). Both out-strings are overwritten.
//   C:\dir\file.txt => C:\dir\ + file.txt    C:file.txt => C: + file.txt    dir\ => dir\ + ""
// Parts longer than the system's limits are cut: the drive to 2 characters, directory, base
// name and extension each to 255.
HOSTKIT_API void SeparatePathAndFile(const char* fullPath, CString& directory, CString& file);
// TRUE for a name that starts with a slash or with a letter and a colon (C:, C:rel, /x, \\s\x);
// FALSE for "", 1:, rel\x.
HOSTKIT_API int IsAbsolutePath(const CString& path);
// Whether the platform's file system tells names apart by case: FALSE on Windows, TRUE on
// POSIX systems.
HOSTKIT_API int GetFilesCaseSensitive();
// The process's current directory with one separator appended (so a root gives two).
// Throws CNuOSException when the system cannot say.
HOSTKIT_API void GetCurrentPath(CString& path);
// The system's directory for temporary files with one separator appended; the system gives it
// with a trailing separator already, so the result ends in two. Throws CNuOSException.
HOSTKIT_API void GetTemporaryPath(CString& path);
// The directory of the calling process's executable (not of this library), up to and
// including its last slash: C:\Prog\app.exe => C:\Prog\. Throws CNuOSException.
HOSTKIT_API void GetAppPath(CString& path);
// TRUE when the name exists and is a directory. Never throws.
HOSTKIT_API int IsDir(const char* path);
// TRUE when the name is an existing regular file that can be opened for reading at this moment:
// directories, FIFOs, sockets and devices, files held by another process without read sharing
// and files the caller may not read give FALSE, at once. Never throws.
HOSTKIT_API int IsFile(const char* path);

// ---- canonical and validated names ------------------------------------------------------------

// The canonical form of a name, by text rewriting alone (the file system is never asked):
// slashes become '\', "." and ".." segments are resolved without climbing above the start of
// the text, doubled slashes are merged (a leading pair stays), one trailing slash goes, and
// with caseSensitive FALSE the result is folded to lower case.
//   C:\Dir\Sub\..\File.TXT => c:\dir\file.txt     C:/a/./b//c/ => c:\a\b\c     C:\..\x => x
HOSTKIT_API CString GetCanonicalPathName(const CString& path, int caseSensitive);
// Expands a name to its full path and checks it. TRUE: the name is acceptable and path now
// holds the full name. FALSE (path unchanged): it holds '*' or '?', the system refuses its
// syntax, its full name has more than one colon, or it starts with a drive, a colon and a
// space (C: x).
HOSTKIT_API int GetValidPathName(CString& path);
// The type of the drive or share a name lives on: 0 unknown (also text shorter than three
// characters after trimming), 1 no such root, 2 removable, 3 fixed, 4 a share reached by a UNC
// name (answered from the text alone), 5 optical, 6 RAM disk, 100 a share mapped to a drive
// letter. The system is asked about the drive root, the first three characters (C:\); on POSIX
// an absolute name is asked about by its nearest existing directory, whose volume holds it.
HOSTKIT_API unsigned int GetRootDirType(const char* path);

// ---- wildcard spec lists ----------------------------------------------------------------------

// TRUE when name matches at least one spec of the list. Specs are separated by '"', ',', ';'
// or ' '; a double-quoted spec may hold those characters; every spec is trimmed; a directory
// in a spec or in the name is ignored. Base name and extension match separately: '*' matches
// any run (dots included), '?' one character or none, ASCII letters match either case.
// FALSE also when a double quote is left open before any spec matched.
//   *.txt;*.doc  matches b.doc        *.*  matches .profile but not README
HOSTKIT_API int NameIsInSpecList(const CString& name, const CString& specList);

// ---- launching programs and shell hand-offs ---------------------------------------------------

// Starts the program of a command line, its main window shown (show TRUE) or hidden, with the
// host's wait cursor up meanwhile. With waitForIdle it waits up to 50 seconds for the program
// to be ready for input ("Timeout while launching the application" when it is not), with
// waitForExit until the program has ended. TRUE when the program was started; when it cannot
// be, "Cannot launch the application <command line>." is shown and the result is FALSE. The
// command line is passed to the system's writable buffer and comes back unchanged.
HOSTKIT_API int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle);
// As RunApp; in addition, when the program was waited for to its end (waitForExit), its exit
// code in *exitCode. It is left untouched otherwise, and when the program could not be started
// or its code read; exitCode may be NULL.
//   RunApp(line, FALSE, TRUE, FALSE, &code) with line "hostkit --version" => TRUE, code 0
HOSTKIT_API int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle, DWORD* exitCode);

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

// A drop handle for what a desktop drop delivers as "text/uri-list": one URI per line (CR LF
// or LF), '#' lines are comments. Local "file:" URIs (no host, "localhost" or this machine's
// name) give their percent-decoded names in list order; other URIs are left out. On Windows
// the names take the system's form: file:///C:/My%20Files/a.txt => C:\My Files\a.txt. Release
// the handle with GetDroppedFileInfo or DragFinish. NULL (last error ERROR_INVALID_PARAMETER)
// for a NULL list.
HOSTKIT_API HDROP CreateDropFromUriList(const char* uriList);

// ---- creating and copying files and folders ---------------------------------------------------

// Creates a directory and every missing directory above it, outermost first. The whole name is
// a directory. TRUE when it exists afterwards; FALSE when its full name cannot be formed or is
// longer than 258 characters (nothing is created then), or a directory cannot be created (for
// instance where a component is a file). Never throws.
//   EnsureValidPath("C:\a\b\c") with only C:\ present creates C:\a, C:\a\b, C:\a\b\c => TRUE
HOSTKIT_API int EnsureValidPath(const char* directory);
// As EnsureValidPath; on TRUE directory is replaced by its full name, on FALSE it is unchanged.
//   sub\dir => <current directory>\sub\dir
HOSTKIT_API int ResolveValidatePath(CString& directory);
// TRUE when the file's directory exists (created if needed) and the file either exists and
// opens for reading or could be created there. A file created to find that out is removed
// again, so the call never leaves a new file behind.
HOSTKIT_API int EnsureValidFile(const char* fileName);
// Copies a folder with all its sub-folders and files into another folder, overwriting files of
// the same name: each folder's sub-folders first, then its files. FALSE at the first sub-folder
// or file that cannot be copied (what was copied stays), among them a FIFO, socket or device
// (ERROR_OPEN_FAILED) and a name holding a backslash (ERROR_INVALID_NAME). Each file is written
// under a scratch name beside its target and renamed, so a stopped copy never leaves part of a
// file under a target name. A missing source creates the target and answers TRUE. Search
// errors throw CNuOSException.
HOSTKIT_API int CopyFolder(CString source, CString target);
// Writes size bytes from data to a new file under the temporary directory and returns its
// name, in a buffer of the calling thread that the next call overwrites. The file is created
// exclusively, readable and writable by its owner only: an existing file or link under the
// chosen name is never opened. When no unused name can be found it shows "Cannot create unique
// temporary filename" and returns the empty string. Failures to create or write the file throw
// CFileException, and a file that could not be written whole is removed.
HOSTKIT_API const char* CreateTempFile(unsigned char* data, int size);
// Clears the read-only attribute if it is set; other attributes and the file's times stay. A
// file whose status cannot be read is left alone; a failure to change it throws CFileException.
HOSTKIT_API void EnableFileRW(const CString& fileName);
// Sets the read-only attribute if it is clear; as EnableFileRW otherwise.
HOSTKIT_API void EnableFileReadOnly(const CString& fileName);
