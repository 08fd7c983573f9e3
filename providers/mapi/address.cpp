// The one test of every address the provider sends to or resolves a name to.
#include "providers/mapi/address.h"

namespace hk::mapi {

bool IsUsableAddress(const std::string& address) {
  if (address.empty() || address.size() > 320) return false;
  for (char c : address)
    if (c <= 0x20 || c >= 0x7F || c == '<' || c == '>' || c == ',' || c == '"' || c == '(' || c == ')' ||
        c == ';' || c == '\\')
      return false;
  // One addr-spec: a local part and a domain, neither empty, around the one '@'.
  const size_t at = address.find('@');
  return at != std::string::npos && at > 0 && at + 1 < address.size() && address.find('@', at + 1) == std::string::npos;
}

}  // namespace hk::mapi
