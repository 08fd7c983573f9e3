// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix.
//
// The one way the library and its providers read an environment variable that chooses code
// they load or a place where they keep or read data (HOSTKIT_PROVIDER_DIR,
// HOSTKIT_CURL_LIBRARY, HOSTKIT_REGISTRY_DIR, HOSTKIT_MAIL_DIR, HOSTKIT_SYSCONF_DIR, and the
// XDG, HOME and TMPDIR variables the stores fall back on). Header only, so that the providers,
// which are libraries of their own, share it.
#pragma once

#include <cstdlib>

namespace hk::posix {

// The variable's value, or nullptr when it is unset or empty. A process in secure-execution
// mode (set-user-ID, set-group-ID or file capabilities) reads every such variable as unset, as
// the system loader ignores LD_LIBRARY_PATH there: otherwise the calling user could have a
// privileged host run a provider of their choosing, or write its stores where they like.
inline const char* EnvironmentSetting(const char* name) {
  const char* value = secure_getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace hk::posix
