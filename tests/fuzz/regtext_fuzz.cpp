// Feeds arbitrary bytes to the registry text parser: it must answer entries or an error,
// never read past its input; whatever it accepts and the writer takes must read back as the
// same entries.
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
  std::string text;
  hk::registry::RegTextWriter writer([&text](std::string_view piece) {
    text += piece;
    return true;
  });
  std::vector<hk::registry::RegTextEntry> written;
  for (const auto& entry : entries) {
    if (entry.kind == hk::registry::RegTextEntry::kKey) {
      if (writer.Key(entry.key)) written.push_back(entry);
    } else if (entry.kind == hk::registry::RegTextEntry::kValue) {
      // Written under the last key accepted; a refused key leaves its values out.
      if (!written.empty() && written.back().key == entry.key && writer.Value(entry.name, entry.type, entry.data))
        written.push_back(entry);
    }
  }
  if (!writer.Finish()) __builtin_trap();
  std::vector<hk::registry::RegTextEntry> again;
  if (!hk::registry::ParseRegText(text, again, error) || again.size() != written.size()) __builtin_trap();
  for (size_t i = 0; i < again.size(); ++i) {
    if (again[i].key != written[i].key || again[i].name != written[i].name || again[i].type != written[i].type ||
        again[i].data != written[i].data)
      __builtin_trap();
  }
  return 0;
}
