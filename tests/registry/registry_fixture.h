// Shared by the registry suites: every test works below a key of its own,
// HKEY_CURRENT_USER\Software\HOSTKIT tests\<unique>, removed when the test ends. On Windows that
// is the system's registry (Wine's, under test); elsewhere a store in a temporary directory,
// so the same cases run against both.
#pragma once

#include "platform/win32.h"
#include "tests/support/fixtures.h"

#include <hostkit/registry.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace hk::test {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // "Software\HOSTKIT tests\<unique>", below HKEY_CURRENT_USER; it exists when a test starts.
  const std::string& Base() const { return m_base; }
  std::string Path(const std::string& below) const { return m_base + "\\" + below; }

  // Creates (or opens) HKEY_CURRENT_USER\Base()\below; the handle is closed when the test ends.
  HKEY Create(const std::string& below);
  // Opens it; NULL when that fails.
  HKEY Open(const std::string& below);
  bool Exists(const std::string& below);
  // Sub-key names of HKEY_CURRENT_USER\Base()\below in enumeration order.
  std::vector<std::string> SubKeys(const std::string& below);
  // Value names in enumeration order.
  std::vector<std::string> ValueNames(HKEY key);

 private:
#if !defined(_WIN32)
  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<ScopedEnv> m_env;
#endif
  std::string m_leaf;
  std::string m_base;
  std::vector<HKEY> m_handles;
};

// Sub-key names (subKeys) or value names of an open key in enumeration order.
std::vector<std::string> EnumNames(HKEY key, bool subKeys);
// Reads a value's type and bytes; the result code of RegQueryValueExA.
LONG ReadValue(HKEY key, const char* name, DWORD& type, std::string& data);
LONG WriteValue(HKEY key, const char* name, DWORD type, const std::string& data);

}  // namespace hk::test
