// File-system objects: the directory iterator, the store of files named by 32-bit IDs, and
// memory-mapped files.
#pragma once

#include <hostkit/afx.h>

// ---- directory search -------------------------------------------------------------------------

// Walks the entries of one directory that match one wildcard pattern and hands them out one at
// a time as full path names (directory + entry name), filtered by kind, by attributes and by
// an exclusion list of file specs. "." and ".." are never handed out; sub-directories are not
// entered.
class HOSTKIT_API CNuFileFinder {
 public:
  // What to find: a bit mask of these.
  enum { FindFiles = 0x1, FindDirectories = 0x2 };
  // How the wanted attributes W are tested against an entry's effective attributes E (its
  // attributes without the directory bit, or FILE_ATTRIBUTE_NORMAL when nothing is left):
  // MatchAny: E and W share a bit; MatchAll: E holds all of W; MatchOnly: E holds nothing
  // outside W; MatchExact: E equals W. Any other value passes every entry.
  // A fixed underlying type, so that a caller's other value is a value and not undefined.
  enum AttributeMatch : int { MatchAny = 0, MatchAll = 1, MatchOnly = 2, MatchExact = 3 };

  // The current directory, "*.*", files and directories, every attribute (0x19A7), MatchAny.
  CNuFileFinder();
  // As Reset.
  CNuFileFinder(const char* directory, const char* pattern, DWORD whatToFind, DWORD attributes,
                AttributeMatch match, const char* exclusions);
  virtual ~CNuFileFinder();
  CNuFileFinder(const CNuFileFinder&) = delete;
  CNuFileFinder& operator=(const CNuFileFinder&) = delete;

  // New search parameters; the next Find starts from the first entry. A NULL directory is the
  // current one; a directory without a trailing slash gets a separator. A NULL pattern is
  // "*.*". The attribute mask loses the directory bit, and 0 becomes FILE_ATTRIBUTE_NORMAL.
  // The exclusion list (spec-list syntax, NULL for none) leaves out files, never directories.
  void Reset(const char* directory, const char* pattern, DWORD whatToFind, DWORD attributes,
             AttributeMatch match, const char* exclusions);
  // TRUE with the next accepted entry's full path in path; FALSE (path unchanged) when there
  // is none: also for a missing directory, a name that is not a directory, or no match. Any
  // other failure of the system's search throws CNuOSException.
  BOOL Find(CString& path);
  // The current entry's last-write time, as local time.
  CTime LastWriteTime() const;
  // The current entry's attributes, directory bit included.
  DWORD GetAttributes() const;
  // The current entry's find data, valid until the next Find or Reset.
  const WIN32_FIND_DATAA& GetFindData() const;

 private:
  BOOL ReadNextEntry();
  // Reads what the current entry's find data still lacks; false when the entry has gone.
  bool CompleteFindData() const;

  CString m_strDirectory;
  CString m_strPattern;
  CString m_strExclusions;
  HANDLE m_hFind;
  // Where reading an entry's status costs extra, it is read only when asked for:
  // m_dwUnsure holds the attribute bits of m_findData not yet known.
  mutable WIN32_FIND_DATAA m_findData;
  mutable DWORD m_dwUnsure;
  DWORD m_dwWhatToFind;
  DWORD m_dwAttributes;
  AttributeMatch m_match;
};

// ---- ID-named file store ----------------------------------------------------------------------

// Files kept in one root directory under names made from 32-bit IDs: "%08X" (first ID as eight
// upper-case hex digits), "%08X.%d" (and a second ID as a signed decimal) and "%08X.%s" (and a
// suffix). The directory is the store; there is no index.
class HOSTKIT_API CNuFileSystem {
 public:
  // A root without a trailing slash gets a separator. The value is kept for the application.
  CNuFileSystem(const char* root, DWORD value);
  ~CNuFileSystem();

  //   GetFilePath(0x1A) => root + 0000001A
  CString GetFilePath(DWORD id);
  //   GetFilePath(1, 0xFFFFFFFF) => root + 00000001.-1
  CString GetFilePath(DWORD id, DWORD id2);
  //   GetFilePath(0x1A, "tmp") => root + 0000001A.tmp
  // A suffix that would make the name longer than 260 characters throws CFileException
  // (badPath) naming the suffix.
  CString GetFilePath(DWORD id, const char* suffix);
  // TRUE when the last component of path reads as "%08X.%d" (hex digits of either case, either
  // slash before it). id may be written even when the answer is FALSE.
  BOOL GetFileIDs(const char* path, DWORD& id, DWORD& id2);

  // The file operations keep the system's ANSI names (CreateFileA, DeleteFileA, CopyFileA,
  // MoveFileA) on every build. Each throws CFileException on failure.
  //
  // Writes the bytes as the whole content of the file. The bytes go to a new file beside it
  // that takes the name only once everything is written, so a failed write leaves no partial
  // file under the name and an earlier file of that name intact.
  void CreateFile(const char* path, DWORD count, const void* data);
  // A file that is already missing is not an error.
  void DeleteFile(const char* path);
  // Fails when the destination exists. The exception names the source.
  void CopyFile(const char* source, const char* destination);
  // Fails when the destination exists. The exception names the source.
  void MoveFile(const char* source, const char* destination);

  // Appends (never empties first) the full path of every file directly in the root. Scratch
  // files of puts and copies (~<name>.<8 hex digits>.tmp) are never listed; those no writer
  // holds any more (a killed process left them) are removed.
  void EnumerateFiles(CStringArray& list);
  // Free bytes on the root's volume for the caller; 0xFFFFFFFF for 4 GiB or more, and when the
  // query fails.
  DWORD GetFreeSpace();

 private:
  CString m_strRoot;
  DWORD m_dwValue;
};

// ---- memory-mapped files ----------------------------------------------------------------------

// Maps a whole file read-only, or writable after growing it to a wanted size. Failures of the
// system calls throw CNuOSException.
class HOSTKIT_API CNuFileMapping {
 public:
  CNuFileMapping();
  // Closes; a failure to close is not thrown out of the destructor (call Close to see it).
  ~CNuFileMapping();
  CNuFileMapping(const CNuFileMapping&) = delete;
  CNuFileMapping& operator=(const CNuFileMapping&) = delete;

  // writeSize 0: maps the file read-only (others may read it meanwhile). Otherwise opens it
  // exclusively for reading and writing, grows it to at least writeSize bytes (never shrinks
  // it) and maps it writable. A missing file is created in both modes. An empty file is
  // opened but not mapped: size 0 and a NULL view. A mapping still open is closed first.
  void Open(const char* fileName, DWORD writeSize);
  void GetBuffer(DWORD& size, const void*& data) const;
  void GetBuffer(DWORD& size, void*& data);
  // Unmaps and closes what is open; every step is tried, then the first failure is thrown.
  // Closing a closed mapping does nothing.
  void Close();

 protected:
  HANDLE m_hFile;
  HANDLE m_hMapping;
  DWORD m_dwSize;
  void* m_pView;
};
