// The one way the library and its providers read an environment variable that chooses code
// they load or a place where they keep or read data. Header only, so that the providers,
// which are libraries of their own, share it.
#pragma once

#if defined(_WIN32)
#  include <cstdlib>
#else
#  include "platform/posix/system/environment.h"
#endif

namespace hk {

// The variable's value, or nullptr when it is unset or empty (on POSIX also in a process in
// secure-execution mode: see hk::posix::EnvironmentSetting).
inline const char* EnvironmentSetting(const char* name) {
#if defined(_WIN32)
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
#else
  return hk::posix::EnvironmentSetting(name);
#endif
}

}  // namespace hk
