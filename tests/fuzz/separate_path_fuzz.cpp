// Splits arbitrary bytes as a path name: the split must stay inside the text, give back its
// directory part whole, keep the file name within its limits, and give back the text unchanged
// when the name fits.
#include <hostkit/hostkit.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that any read past the terminating NUL is caught.
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const size_t length = std::strlen(text.get());

  CString directory, file;
  SeparatePathAndFile(text.get(), directory, file);
  if (static_cast<size_t>(directory.GetLength() + file.GetLength()) > length) __builtin_trap();
  if (file.GetLength() > 2 * 255) __builtin_trap();
  if (std::strncmp(directory, text.get(), static_cast<size_t>(directory.GetLength())) != 0) __builtin_trap();
  if (length <= 255 && std::strcmp(directory + file, text.get()) != 0) __builtin_trap();

  const char* slash = FindLastSlash(text.get());
  if (slash != nullptr && (slash < text.get() || slash >= text.get() + length)) __builtin_trap();
  CString trimmed(text.get());
  TrimEndSlash(trimmed);
  (void)PathHasEndSlash(text.get());
  (void)IsAbsolutePath(trimmed);
  return 0;
}
