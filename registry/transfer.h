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

// Writes the key and everything below it as .reg text to the sink while reading them: memory
// stays within a small multiple of the largest value, however large the tree. False with a
// message when the key cannot be read, when a name or value cannot be written as registry
// text (the message names it), or when the sink fails (the message is then the caller's to
// give; 'error' is left empty).
bool ExportKey(std::string_view path, const RegTextSink& sink, std::string& error);
// The same into one string.
bool ExportKey(std::string_view path, std::string& bytes, std::string& error);
// The same into a file, written under a scratch name beside it and renamed over it once
// complete: an export that fails or is refused leaves no file, and a file it was to replace
// as it was.
bool ExportKeyToFile(std::string_view path, const std::string& file, std::string& error);

// Applies parsed entries in order: keys are created, values written or deleted, deleted keys
// removed with everything below them. All or nothing: every entry is checked before anything
// is changed (roots, name lengths), and the writes are made in one batch per root where the
// registry has batches (the POSIX store), so an entry refused while applying leaves the
// registry as it was. Where it has none (the system registry of Windows), the entries before a
// refused one stay applied. False with a message naming the line of the first entry that
// failed; 'applied' counts the entries whose changes were kept.
bool ImportEntries(const std::vector<RegTextEntry>& entries, size_t& applied, std::string& error);

// The system's text for a Win32 code, without the line end.
std::string SystemMessage(LONG code);

}  // namespace hk::registry
