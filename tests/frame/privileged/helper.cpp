// A host program for the privileged-host tests: prints, one "what=value" a line, the places the
// library would take code and data from, as the environment it runs in makes them:
//   netapi    the file "NETAPI32.DLL" was loaded from, or "none"
//   registry  the store file of HKEY_CURRENT_USER
//   sysconf   where the system's configuration files are read
//   temp      the temporary directory
//   NAME      for each variable the providers read themselves: its value, or "unset"
// The suite runs a set-user-ID copy of it as another user.
#include "platform/posix/net/netconfig.h"
#include "platform/posix/registry/store.h"
#include "platform/posix/system/environment.h"
#include "platform/win32.h"

#include <cstdio>
#include <string>

int main() {
  char name[4096] = "none";
  if (HMODULE netapi = LoadLibraryA("NETAPI32.DLL")) GetModuleFileNameA(netapi, name, sizeof name);
  std::printf("netapi=%s\n", name);
  std::string store;
  hk::posix::registry::StorePath(hk::posix::registry::Root::kCurrentUser, store);
  std::printf("registry=%s\n", store.c_str());
  std::printf("sysconf=%s\n", hk::posix::netconfig::SystemFile("").c_str());
  char temp[4096] = "";
  GetTempPathA(sizeof temp, temp);
  std::printf("temp=%s\n", temp);
  for (const char* variable : {"HOSTKIT_MAIL_DIR", "HOSTKIT_CURL_LIBRARY"}) {
    const char* value = hk::posix::EnvironmentSetting(variable);
    std::printf("%s=%s\n", variable, value != nullptr ? value : "unset");
  }
  return 0;
}
