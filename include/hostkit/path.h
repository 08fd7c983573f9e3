#pragma once

#include <hostkit/afx.h>

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
// or file that cannot be copied (what was copied stays). A missing source creates the target
// and answers TRUE. Search errors throw CNuOSException.
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
