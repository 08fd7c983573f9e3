// The per-test registry key (and, on POSIX, store) of the registry suites.
#include "tests/registry/registry_fixture.h"

#include <atomic>
#include <chrono>

namespace hk::test {

namespace {
constexpr const char* kTestsKey = "Software\\HOSTKIT tests";
}

void RegistryTest::SetUp() {
#if !defined(_WIN32)
  m_dir = std::make_unique<TempDir>();
  m_env = std::make_unique<ScopedEnv>("HOSTKIT_REGISTRY_DIR", m_dir->Path().c_str());
#endif
  static std::atomic<int> counter{0};
  m_leaf = "T" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007) + "-" +
           std::to_string(counter++);
  m_base = std::string(kTestsKey) + "\\" + m_leaf;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_base.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, &disposition));
  RegCloseKey(key);
}

void RegistryTest::TearDown() {
  for (HKEY key : m_handles) RegCloseKey(key);
  m_handles.clear();
  CNuRegistry cleaner;
  cleaner.DeleteSection(HKEY_CURRENT_USER, kTestsKey, m_leaf.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kTestsKey);  // only once no other test uses it
#if !defined(_WIN32)
  m_env.reset();
  m_dir.reset();
#endif
}

HKEY RegistryTest::Create(const std::string& below) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, Path(below).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &key, &disposition);
  EXPECT_EQ(ERROR_SUCCESS, result) << below;
  if (result != ERROR_SUCCESS) return nullptr;
  m_handles.push_back(key);
  return key;
}

HKEY RegistryTest::Open(const std::string& below) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(below).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return nullptr;
  m_handles.push_back(key);
  return key;
}

bool RegistryTest::Exists(const std::string& below) { return Open(below) != nullptr; }

std::vector<std::string> EnumNames(HKEY key, bool subKeys) {
  std::vector<std::string> names;
  std::vector<char> name(17000);
  for (DWORD index = 0;; ++index) {
    DWORD size = static_cast<DWORD>(name.size());
    const LONG result = subKeys ? RegEnumKeyExA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr)
                                : RegEnumValueA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) return names;
    names.emplace_back(name.data(), size);
  }
}

std::vector<std::string> RegistryTest::SubKeys(const std::string& below) {
  HKEY key = Open(below);
  return key != nullptr ? EnumNames(key, true) : std::vector<std::string>();
}

std::vector<std::string> RegistryTest::ValueNames(HKEY key) { return EnumNames(key, false); }

LONG ReadValue(HKEY key, const char* name, DWORD& type, std::string& data) {
  DWORD size = 1 << 16;  // more than any value of the suites
  data.assign(size, '\0');
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  data.resize(result == ERROR_SUCCESS ? size : 0);
  return result;
}

LONG WriteValue(HKEY key, const char* name, DWORD type, const std::string& data) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

}  // namespace hk::test
