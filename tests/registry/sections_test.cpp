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
  EXPECT_FALSE(unbound.InitOk());
  EXPECT_FALSE(unbound.OpenSection("Any", TRUE));
  EXPECT_TRUE(unbound.CloseSection());
  EXPECT_FALSE(unbound.DeleteSection("Any"));
  EXPECT_FALSE(unbound.Flush());
  EXPECT_FALSE(unbound.PutInt("Value", 1));
  EXPECT_EQ(7u, unbound.GetInt("Value", 7));
  EXPECT_FALSE(unbound.DeleteEntry("Value"));
  Inspect missing;
  EXPECT_FALSE(missing.SetBaseKey(HKEY_CURRENT_USER, Path("Missing").c_str(), FALSE));
  EXPECT_TRUE(missing.InitOk());
  EXPECT_EQ(HKEY_CURRENT_USER, missing.GetBaseKey());
  EXPECT_EQ(Path("Missing"), static_cast<const char*>(missing.GetBaseSubKey()));
  EXPECT_FALSE(missing.OpenSection("Section", TRUE));
  EXPECT_FALSE(missing.Flush());
  EXPECT_FALSE(Exists("Missing"));
}

TEST_F(Sections, EmptyBaseSubKeyBindsTheRootItself) {
  {
    Inspect registry;
    EXPECT_TRUE(registry.SetBaseKey(HKEY_CURRENT_USER, nullptr, FALSE));
    EXPECT_EQ("", std::string(registry.GetBaseSubKey()));
    EXPECT_TRUE(registry.OpenSection(Base().c_str(), FALSE));
    EXPECT_TRUE(registry.PutInt("AtBase", 3));
    EXPECT_TRUE(registry.SetBaseKey(HKEY_CURRENT_USER, "", TRUE));
    EXPECT_TRUE(registry.Flush());
  }
  // Destroying the object did not close the root: it still works.
  CNuRegistry again(HKEY_CURRENT_USER, Base().c_str());
  EXPECT_EQ(3u, again.GetInt("AtBase", 0, ""));
}

TEST_F(Sections, OpenCloseAndCopy) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "First");  // creates base and section
  EXPECT_TRUE(registry.PutInt("N", 1));
  EXPECT_TRUE(Exists("First"));
  EXPECT_FALSE(registry.OpenSection("Absent", FALSE));
  EXPECT_FALSE(Exists("Absent"));
  EXPECT_TRUE(registry.OpenSection("Second", TRUE));  // replaces First
  EXPECT_TRUE(registry.PutInt("N", 2));
  EXPECT_TRUE(registry.Flush());
  // A copy keeps the base but not the section.
  CNuRegistry copy(registry), assigned;
  assigned = registry;
  EXPECT_FALSE(copy.PutInt("N", 3));
  EXPECT_EQ(1u, assigned.GetInt("N", 0, "First"));
  EXPECT_TRUE(registry.CloseSection());
  EXPECT_FALSE(registry.PutInt("N", 3));
  EXPECT_TRUE(registry.CloseSection());  // none open
  EXPECT_EQ(2u, registry.GetInt("N", 0, "Second"));
  // A section named in a call is below the base, opened, never created, and leaves the current one.
  ASSERT_TRUE(registry.OpenSection("First", FALSE));
  EXPECT_TRUE(registry.PutInt("M", 4, "Second"));
  EXPECT_FALSE(registry.PutInt("M", 1, "Missing"));
  EXPECT_FALSE(Exists("Missing"));
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
  for (const char* name : {"beta", "Alpha", "_under", "Gamma\\Deep", "alpha2"}) Create(std::string("Parent\\") + name);
  ASSERT_TRUE(registry.OpenSection("Parent", FALSE));
  EXPECT_TRUE(registry.GetKeyList("Parent", list));
  EXPECT_EQ((std::vector<std::string>{"_under", "Alpha", "alpha2", "beta", "Gamma"}), Strings(list));
  EXPECT_FALSE(registry.PutInt("N", 1));  // the section was closed
  // A NULL section lists the base key's own sub-keys.
  EXPECT_TRUE(registry.GetKeyList(nullptr, list));
  EXPECT_EQ((std::vector<std::string>{"Parent"}), Strings(list));
}

TEST_F(Sections, PlainDeleteRemovesOnlyLeaves) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  Create("Tree\\Child");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create("Leaf"), "v", REG_SZ, std::string("x\0", 2)));
  EXPECT_FALSE(registry.DeleteSection("Tree"));
  EXPECT_TRUE(registry.DeleteSection("Leaf"));
  EXPECT_FALSE(registry.DeleteSection("Leaf"));
  // An empty name would be the base key itself.
  EXPECT_FALSE(registry.DeleteSection(""));
  EXPECT_FALSE(registry.DeleteSection(nullptr));
  EXPECT_EQ((std::vector<std::string>{"Tree"}), SubKeys(""));
  EXPECT_TRUE(Exists("Tree\\Child"));
}

TEST_F(Sections, RecursiveDeleteRemovesTheWholeTreeAndRebinds) {
  for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2\\Deep", "Tree\\B", "Keep\\K"})
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create(path), "v", REG_DWORD, std::string(4, '\1')));
  Inspect registry(HKEY_CURRENT_USER, Path("Keep").c_str(), "K");
  EXPECT_TRUE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));
  EXPECT_EQ((std::vector<std::string>{"Keep"}), SubKeys(""));
  EXPECT_EQ(Base(), static_cast<const char*>(registry.GetBaseSubKey()));
  EXPECT_FALSE(registry.PutInt("N", 1));  // no section open
  EXPECT_TRUE(registry.PutInt("N", 1, "Keep"));
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));  // gone
  // No section name deletes nothing, and the binding still moves.
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Path("Keep").c_str(), ""));
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Path("Keep").c_str(), nullptr));
  EXPECT_TRUE(Exists("Keep\\K"));
  EXPECT_EQ(Path("Keep"), static_cast<const char*>(registry.GetBaseSubKey()));
  // Below the root itself.
  Create("Tree\\A\\B");
  EXPECT_TRUE(CNuRegistry().DeleteSection(HKEY_CURRENT_USER, nullptr, Path("Tree").c_str()));
  EXPECT_FALSE(Exists("Tree"));
}

TEST_F(Sections, DeleteEntryInNamedOrCurrentSection) {
  Create("Other");
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "Current");
  ASSERT_TRUE(registry.PutInt("Here", 1));
  ASSERT_TRUE(registry.PutInt("There", 2, "Other"));
  EXPECT_FALSE(registry.DeleteEntry("There"));  // not in the current section
  EXPECT_TRUE(registry.DeleteEntry("There", "Other"));
  EXPECT_FALSE(registry.DeleteEntry("There", "Other"));
  EXPECT_FALSE(registry.DeleteEntry("Any", "NoSuchSection"));
  EXPECT_TRUE(registry.DeleteEntry("Here"));
  EXPECT_EQ(9u, registry.GetInt("Here", 9));
  registry.CloseSection();
  EXPECT_FALSE(registry.DeleteEntry("Here"));
}

}  // namespace
}  // namespace hk::test
