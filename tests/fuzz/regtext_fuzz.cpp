// Feeds arbitrary bytes to the registry text parser: it must answer entries or an error,
// never read past its input; whatever it accepts must survive being written and read again.
#include "registry/regtext.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<hk::registry::RegTextEntry> entries;
  std::string error;
  if (!hk::registry::ParseRegText(bytes, entries, error)) {
    if (error.empty() || !entries.empty()) __builtin_trap();
    return 0;
  }
  hk::registry::RegTextWriter writer;
  for (const auto& entry : entries) {
    if (entry.kind == hk::registry::RegTextEntry::kKey) writer.Key(entry.key);
    else if (entry.kind == hk::registry::RegTextEntry::kValue) writer.Value(entry.name, entry.type, entry.data);
  }
  std::vector<hk::registry::RegTextEntry> again;
  (void)hk::registry::ParseRegText(writer.Finish(), again, error);
  return 0;
}
