// Feeds arbitrary bytes through the CString operations the path and list parsers are built
// on: searching, cutting, trimming and the buffer protocol must never read past the text.
#include <hostkit/hostkit.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CString text(bytes.c_str());  // up to the first NUL, as C callers hand text over
  const int length = text.GetLength();
  const int a = size > 0 ? data[0] % (length + 2) - 1 : 0;
  const int b = size > 1 ? data[1] % (length + 2) - 1 : 0;
  (void)text.Left(a);
  (void)text.Mid(a);
  (void)text.Mid(a, b);
  (void)text.Right(b);
  (void)text.Find(text.Right(b));
  (void)text.FindOneOf("\",; ");
  (void)text.ReverseFind('\\');
  CString trimmed = text;
  trimmed.TrimLeft();
  trimmed.TrimRight();
  trimmed.MakeLower();
  char* buffer = trimmed.GetBuffer(length + 16);
  buffer[length / 2] = '\0';
  trimmed.ReleaseBuffer(-1);
  if (trimmed.GetLength() > length) __builtin_trap();
  return 0;
}
