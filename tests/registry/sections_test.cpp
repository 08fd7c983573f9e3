// CNuRegistry's binding, sections, listing and deletion. The same cases run against the
// system registry on Windows and the store on POSIX.
#include "tests/registry/registry_fixture.h"
#include "tests/support/strings.h"

namespace hk::test {
namespace {

// Reaches the protected accessors.
class Inspect : public CNuRegistry {
 public:
  using CNuRegistry::CNuRegistry;
  using CNuRegistry::GetBaseKey;
  using CNuRegistry::GetBaseSubKey;
};

using Sections = RegistryTest;

// Unbound, or bound to a base key that does not exist: sections do not open, writes fail.
TEST_F(Sections, WithoutABaseKeyNothingOpens) {
  CNuRegistry unbound;
  EXPECT_FALSE(unbound.OpenSection("Any", TRUE));
  Inspect missing;
  EXPECT_FALSE(missing.SetBaseKey(HKEY_CURRENT_USER, Path("Missing").c_str(), FALSE));
  EXPECT_FALSE(missing.OpenSection("Section", TRUE));
  EXPECT_FALSE(Exists("Missing"));
}

TEST_F(Sections, OpenCloseAndCopy) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "First");  // creates base and section
  EXPECT_TRUE(registry.PutInt("N", 1));
  EXPECT_TRUE(registry.OpenSection("Second", TRUE));  // replaces First
  EXPECT_TRUE(registry.PutInt("N", 2));
  // A copy keeps the base but not the section.
  CNuRegistry copy(registry);
  EXPECT_FALSE(copy.PutInt("N", 3));
  EXPECT_EQ(1u, copy.GetInt("N", 0, "First"));
  EXPECT_TRUE(registry.CloseSection());
  EXPECT_FALSE(registry.PutInt("N", 3));
  EXPECT_EQ(2u, registry.GetInt("N", 0, "Second"));
  // A section named in a call is below the base, opened, never created, and leaves the current one.
  ASSERT_TRUE(registry.OpenSection("First", FALSE));
  EXPECT_TRUE(registry.PutInt("M", 4, "Second"));
  EXPECT_FALSE(registry.PutInt("M", 1, "Missing"));
  EXPECT_FALSE(Exists("First\\Second"));
  EXPECT_EQ(1u, registry.GetInt("N", 0));
  EXPECT_EQ(0u, registry.GetInt("M", 0));
}

TEST_F(Sections, KeyListInRegistryOrderAndClosesTheSection) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  CStringList list;
  list.AddTail("stale");
  EXPECT_FALSE(registry.GetKeyList("Missing", list));
  EXPECT_TRUE(list.IsEmpty());
  Create("Parent");
  EXPECT_FALSE(registry.GetKeyList("Parent", list));
  for (const char* name : {"beta", "Alpha", "Gamma\\Deep"}) Create(std::string("Parent\\") + name);
  ASSERT_TRUE(registry.OpenSection("Parent", FALSE));
  EXPECT_TRUE(registry.GetKeyList("Parent", list));
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "Gamma"}), Strings(list));
  EXPECT_FALSE(registry.PutInt("N", 1));  // the section was closed
  // A NULL section lists the base key's own sub-keys.
  EXPECT_TRUE(registry.GetKeyList(nullptr, list));
  EXPECT_EQ((std::vector<std::string>{"Parent"}), Strings(list));
}

// A plain delete removes only leaves; the one with a root and base removes the whole tree and
// binds the object to that base.
TEST_F(Sections, DeleteRemovesLeavesOrTheWholeTreeAndRebinds) {
  for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2\\Deep", "Tree\\B", "Keep\\K", "Leaf"})
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create(path), "v", REG_DWORD, std::string(4, '\1')));
  Inspect registry(HKEY_CURRENT_USER, Path("Keep").c_str(), "K");
  ASSERT_TRUE(registry.SetBaseKey(HKEY_CURRENT_USER, Base().c_str(), FALSE));
  EXPECT_FALSE(registry.DeleteSection("Tree"));
  EXPECT_TRUE(registry.DeleteSection("Leaf"));
  EXPECT_FALSE(registry.DeleteSection("Leaf"));
  EXPECT_FALSE(registry.DeleteSection(""));  // that would be the base key itself
  ASSERT_TRUE(registry.SetBaseKey(HKEY_CURRENT_USER, Path("Keep").c_str(), FALSE));
  EXPECT_TRUE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));
  EXPECT_EQ((std::vector<std::string>{"Keep"}), SubKeys(""));
  EXPECT_EQ(Base(), static_cast<const char*>(registry.GetBaseSubKey()));
  EXPECT_FALSE(registry.PutInt("N", 1));  // no section open
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));  // gone
  // No section name deletes nothing, and the binding still moves.
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Path("Keep").c_str(), ""));
  EXPECT_TRUE(Exists("Keep\\K"));
  EXPECT_EQ(Path("Keep"), static_cast<const char*>(registry.GetBaseSubKey()));
  // Below the root itself.
  Create("Tree\\A\\B");
  EXPECT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, nullptr, Path("Tree").c_str()));
  EXPECT_FALSE(Exists("Tree"));
}

}  // namespace
}  // namespace hk::test
