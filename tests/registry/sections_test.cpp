// CNuRegistry's binding, sections, listing and deletion. The same cases run against the
// system registry on Windows and the store on POSIX.
#include "tests/registry/registry_fixture.h"

namespace hk::test {
namespace {

// Reaches the protected accessors.
class Inspect : public CNuRegistry {
 public:
  using CNuRegistry::CNuRegistry;
  using CNuRegistry::GetBaseKey;
  using CNuRegistry::GetBaseSubKey;
};

std::vector<std::string> Names(const CStringList& list) {
  std::vector<std::string> names;
  POSITION position = list.GetHeadPosition();
  while (position != nullptr) names.push_back(static_cast<const char*>(list.GetNext(position)));
  return names;
}

using Sections = RegistryTest;

TEST_F(Sections, UnboundObjectRefusesEverything) {
  CNuRegistry registry;
  EXPECT_FALSE(registry.InitOk());
  EXPECT_FALSE(registry.OpenSection("Any", TRUE));
  EXPECT_TRUE(registry.CloseSection());
  EXPECT_FALSE(registry.DeleteSection("Any"));
  EXPECT_FALSE(registry.Flush());
  EXPECT_FALSE(registry.PutInt("Value", 1));
  EXPECT_EQ(7u, registry.GetInt("Value", 7));
  EXPECT_FALSE(registry.DeleteEntry("Value"));
}

TEST_F(Sections, BoundWithoutBaseKeyIsInitOkButCannotOpen) {
  Inspect registry;
  EXPECT_FALSE(registry.SetBaseKey(HKEY_CURRENT_USER, Path("Missing").c_str(), FALSE));
  EXPECT_TRUE(registry.InitOk());
  EXPECT_EQ(HKEY_CURRENT_USER, registry.GetBaseKey());
  EXPECT_EQ(Path("Missing"), static_cast<const char*>(registry.GetBaseSubKey()));
  EXPECT_FALSE(registry.OpenSection("Section", TRUE));
  EXPECT_FALSE(registry.Flush());
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
  }
  // Destroying the object did not close the root: it still works.
  CNuRegistry again(HKEY_CURRENT_USER, Base().c_str());
  EXPECT_EQ(3u, again.GetInt("AtBase", 0, ""));
  EXPECT_TRUE(Exists(""));
}

TEST_F(Sections, ConstructorCreatesBaseAndSection) {
  CNuRegistry registry(HKEY_CURRENT_USER, Path("App").c_str(), "Window");
  EXPECT_TRUE(registry.InitOk());
  EXPECT_TRUE(registry.PutInt("Width", 640));
  HKEY window = Open("App\\Window");
  ASSERT_NE(nullptr, window);
  DWORD type = 0;
  std::string data;
  ASSERT_EQ(ERROR_SUCCESS, ReadValue(window, "Width", type, data));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(4u, data.size());
}

TEST_F(Sections, CopyKeepsTheBaseButNotTheSection) {
  CNuRegistry original(HKEY_CURRENT_USER, Path("App").c_str(), "Window");
  ASSERT_TRUE(original.PutInt("Width", 5));
  CNuRegistry copy(original);
  EXPECT_TRUE(copy.InitOk());
  EXPECT_FALSE(copy.PutInt("Width", 6));  // no section open in the copy
  EXPECT_EQ(5u, copy.GetInt("Width", 0, "Window"));
  CNuRegistry assigned;
  assigned = original;
  EXPECT_EQ(5u, assigned.GetInt("Width", 0, "Window"));
  EXPECT_EQ(5u, original.GetInt("Width", 0));
}

TEST_F(Sections, OpenAndCloseSections) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  EXPECT_TRUE(registry.CloseSection());  // none open
  EXPECT_FALSE(registry.OpenSection("Absent", FALSE));
  EXPECT_FALSE(Exists("Absent"));
  EXPECT_TRUE(registry.OpenSection("First", TRUE));
  EXPECT_TRUE(registry.PutInt("N", 1));
  EXPECT_TRUE(registry.OpenSection("Second", TRUE));  // replaces First
  EXPECT_TRUE(registry.PutInt("N", 2));
  EXPECT_TRUE(registry.CloseSection());
  EXPECT_FALSE(registry.PutInt("N", 3));
  EXPECT_EQ(1u, registry.GetInt("N", 0, "First"));
  EXPECT_EQ(2u, registry.GetInt("N", 0, "Second"));
  EXPECT_TRUE(registry.OpenSection("First", FALSE));
  EXPECT_EQ(1u, registry.GetInt("N", 0));
}

TEST_F(Sections, KeyListInRegistryOrderAndClosesTheSection) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  CStringList list;
  list.AddTail("stale");
  EXPECT_FALSE(registry.GetKeyList("Missing", list));
  EXPECT_TRUE(list.IsEmpty());
  Create("Parent");
  EXPECT_FALSE(registry.GetKeyList("Parent", list));
  EXPECT_TRUE(list.IsEmpty());
  for (const char* name : {"beta", "Alpha", "_under", "Gamma\\Deep", "alpha2"}) Create(std::string("Parent\\") + name);
  ASSERT_TRUE(registry.OpenSection("Parent", FALSE));
  EXPECT_TRUE(registry.GetKeyList("Parent", list));
  EXPECT_EQ((std::vector<std::string>{"_under", "Alpha", "alpha2", "beta", "Gamma"}), Names(list));
  EXPECT_FALSE(registry.PutInt("N", 1));  // the section was closed
  // A NULL section lists the base key's own sub-keys.
  EXPECT_TRUE(registry.GetKeyList(nullptr, list));
  EXPECT_EQ((std::vector<std::string>{"Parent"}), Names(list));
}

TEST_F(Sections, PlainDeleteRemovesOnlyLeaves) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str());
  Create("Tree\\Child");
  HKEY leaf = Create("Leaf");
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(leaf, "v", REG_SZ, std::string("x\0", 2)));
  EXPECT_FALSE(registry.DeleteSection("Tree"));
  EXPECT_TRUE(Exists("Tree\\Child"));
  EXPECT_TRUE(registry.DeleteSection("Leaf"));
  EXPECT_FALSE(Exists("Leaf"));
  EXPECT_FALSE(registry.DeleteSection("Leaf"));
  // An empty name would be the base key itself.
  EXPECT_FALSE(registry.DeleteSection(""));
  EXPECT_FALSE(registry.DeleteSection(nullptr));
  EXPECT_TRUE(Exists(""));
}

TEST_F(Sections, RecursiveDeleteRemovesTheWholeTreeAndRebinds) {
  for (const char* path : {"Tree\\A\\A1", "Tree\\A\\A2\\Deep", "Tree\\B", "Keep\\K"}) {
    HKEY key = Create(path);
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(key, "v", REG_DWORD, std::string(4, '\1')));
  }
  Inspect registry(HKEY_CURRENT_USER, Path("Keep").c_str(), "K");
  EXPECT_TRUE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_TRUE(Exists("Keep\\K"));
  EXPECT_EQ(Base(), static_cast<const char*>(registry.GetBaseSubKey()));
  EXPECT_FALSE(registry.PutInt("N", 1));  // no section open
  EXPECT_TRUE(registry.PutInt("N", 1, "Keep"));

  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Tree"));  // gone
  Create("Single");
  EXPECT_TRUE(registry.DeleteSection(HKEY_CURRENT_USER, Base().c_str(), "Single"));
  EXPECT_FALSE(Exists("Single"));
  // No section name deletes nothing, and the binding still moves.
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Path("Keep").c_str(), ""));
  EXPECT_FALSE(registry.DeleteSection(HKEY_CURRENT_USER, Path("Keep").c_str(), nullptr));
  EXPECT_TRUE(Exists("Keep\\K"));
  EXPECT_EQ(Path("Keep"), static_cast<const char*>(registry.GetBaseSubKey()));
}

TEST_F(Sections, RecursiveDeleteBelowTheRootItself) {
  Create("Tree\\A\\B");
  Create("Tree\\C");
  CNuRegistry registry;
  EXPECT_TRUE(registry.DeleteSection(HKEY_CURRENT_USER, nullptr, Path("Tree").c_str()));
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_TRUE(Exists(""));
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

TEST_F(Sections, FlushWorksOnTheBaseKeyWithASectionOpen) {
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "Open");
  ASSERT_TRUE(registry.PutString("Name", "value"));
  EXPECT_TRUE(registry.Flush());
  CNuRegistry root(HKEY_CURRENT_USER, nullptr);
  EXPECT_TRUE(root.Flush());
}

TEST_F(Sections, SectionOverrideIsBelowTheBaseNotTheCurrentSection) {
  Create("Other");
  CNuRegistry registry(HKEY_CURRENT_USER, Base().c_str(), "Current");
  ASSERT_TRUE(registry.PutInt("N", 1, "Other"));
  EXPECT_TRUE(Exists("Other"));
  EXPECT_FALSE(Exists("Current\\Other"));
  EXPECT_EQ(0u, registry.GetInt("N", 0));  // the current section is untouched
  EXPECT_FALSE(registry.PutInt("N", 1, "Missing"));  // an override is opened, never created
  EXPECT_FALSE(Exists("Missing"));
}

}  // namespace
}  // namespace hk::test
