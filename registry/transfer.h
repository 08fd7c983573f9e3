// Moving registry keys to and from the registry editor's text format, through the registry
// functions (so the same code works on the system registry and on the POSIX store). Internal
// to the library; registry/regfile.cpp exports it.
#pragma once

#include "registry/regtext.h"

#include <string>
#include <string_view>
#include <vector>

namespace hk::registry {

// Splits "HKEY_CURRENT_USER\Software\Example" (or "HKCU\...", "HKEY_LOCAL_MACHINE\...",
// "HKLM\...", any case) into its root key, the sub-key below it ("" for the root itself) and
// the root's full name. False for any other root.
bool SplitKeyPath(std::string_view path, HKEY& root, std::string& subKey, std::string& rootName);

// The text of a .reg file holding the key and everything below it. False with a message when
// the key cannot be read.
bool ExportKey(std::string_view path, std::string& bytes, std::string& error);

// Applies parsed entries in order: keys are created, values written or deleted, deleted keys
// removed with everything below them. Every key path is checked before anything is changed.
// False with a message naming the line of the first entry that failed; 'applied' counts the
// entries done before it.
bool ImportEntries(const std::vector<RegTextEntry>& entries, size_t& applied, std::string& error);

// The system's text for a Win32 code, without the line end.
std::string SystemMessage(LONG code);

}  // namespace hk::registry
