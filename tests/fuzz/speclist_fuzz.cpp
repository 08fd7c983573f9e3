// Matches arbitrary names against arbitrary spec lists: the first byte says where the input
// splits into name and list. Nothing may read past either text, and a list must always
// accept a name that it spells out as a quoted spec of its own.
#include <hostkit/hostkit.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<char[]> ExactCopy(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t split = data[0] % size;
  const auto name = ExactCopy(data + 1, split);
  const auto list = ExactCopy(data + 1 + split, size - 1 - split);
  (void)NameIsInSpecList(name.get(), list.get());

  // A plain name (no wildcard, quote, separator, slash, drive, or white space at its ends),
  // quoted at the head of a list, always matches itself.
  const CString plain(name.get());
  if (!plain.IsEmpty() && plain.FindOneOf("*?\"\\/:,; \t\r\n\v\f") < 0 && plain.GetLength() <= 255) {
    const CString quoted = CString("\"") + plain + "\"" + list.get();
    if (!NameIsInSpecList(plain, quoted)) __builtin_trap();
  }
  return 0;
}
