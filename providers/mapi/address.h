// Mail addresses the provider accepts.
#pragma once

#include <string>

namespace hk::mapi {

// An address the message may carry, the one test of every address sent to or resolved: one
// addr-spec of printable ASCII, without blanks or the characters that would end an address or
// a header; exactly one '@' with text on both sides.
bool IsUsableAddress(const std::string& address);

}  // namespace hk::mapi
