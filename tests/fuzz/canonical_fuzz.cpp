// Reduces arbitrary bytes to the canonical path form: no read past the text, a result never
// longer than its input and holding no forward slash, and the two case modes differing in
// case only.
#include <hostkit/hostkit.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const int length = static_cast<int>(std::strlen(text.get()));

  const CString folded = GetCanonicalPathName(text.get(), FALSE);
  const CString kept = GetCanonicalPathName(text.get(), TRUE);
  if (folded.GetLength() > length || kept.GetLength() != folded.GetLength()) __builtin_trap();
  if (folded.Find('/') >= 0) __builtin_trap();
  CString lowered = kept;
  lowered.MakeLower();
  if (lowered != folded) __builtin_trap();
  return 0;
}
