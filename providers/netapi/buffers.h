// Result buffers of the network API: one block per call holding the records and, after them,
// the UTF-16 strings they point at, released by NetApiBufferFree.
#pragma once

#include <hostkit/win32types.h>

#include <string>
#include <vector>

namespace hk::netapi {

// The process's multi-byte text (UTF-8) to UTF-16 and back, losslessly: bytes that are not
// valid UTF-8 travel as U+DC80..U+DCFF (platform/posix/system/codepage.h).
std::u16string Utf16(const std::string& text);
std::string Utf8(const char16_t* text);

// A block for NetApiBufferFree; nullptr when memory ran out.
void* AllocateBuffer(size_t bytes);
// false for a pointer this library did not hand out.
bool FreeBuffer(void* buffer);

// Lays out `count` records of type Record followed by their strings.
class RecordWriter {
 public:
  // Bytes one record with these strings needs (each string with its NUL).
  template <typename Record>
  static size_t SizeOf(const std::vector<std::u16string>& strings) {
    size_t bytes = sizeof(Record);
    for (const auto& s : strings) bytes += (s.size() + 1) * sizeof(char16_t);
    return bytes;
  }

  // Allocates room for `count` records and `stringBytes` of strings; Data() is nullptr when
  // memory ran out.
  RecordWriter(size_t recordSize, size_t count, size_t stringBytes);
  void* Data() const { return m_block; }
  void* Record(size_t index) const { return m_block + index * m_recordSize; }
  // Copies a string (converting UTF-8) into the string area and returns where it went.
  char16_t* Put(const std::u16string& text);
  char16_t* Put(const std::string& utf8);

 private:
  char* m_block;
  size_t m_recordSize;
  char* m_strings;
};

}  // namespace hk::netapi
