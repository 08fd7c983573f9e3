// CNuGuid: creation, text form, order, hashing and the fallback for machines without a network
// address.
#include "tests/support/fixtures.h"

#include "platform/faults.h"

#include <cstring>
#include <iterator>
#include <set>

namespace {

GUID MakeGuid(DWORD d1, WORD d2, WORD d3, std::initializer_list<int> d4) {
  GUID g{d1, d2, d3, {}};
  int i = 0;
  for (int b : d4) g.Data4[i++] = static_cast<BYTE>(b);
  return g;
}

std::string Text(const CNuGuid& guid) {
  CString text;
  guid.GuidToHexString(text);
  return static_cast<const char*>(text);
}

TEST(Guid, TextFormNilAndRoundTrip) {
  const CNuGuid g(MakeGuid(0x1234ABCD, 0x0102, 0xF00D, {0xAB, 0xCD, 0, 1, 2, 3, 0xFE, 0xFF}));
  EXPECT_EQ(Text(g), "1234abcd-0102-f00d-abcd-00010203feff");
  EXPECT_TRUE(CNuGuid("1234ABCD-0102-F00D-ABCD-00010203FEFF") == g);
  EXPECT_EQ(Text(CNuGuid()), "00000000-0000-0000-0000-000000000000");
  // A single bit at the far end is enough to make a value other than nil.
  CNuGuid last(MakeGuid(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_FALSE(last.IsNil());
  last.SetNil();
  EXPECT_TRUE(last.IsNil());

  // Made values: distinct, never nil, back from their text, hashed as HashKey hashes them.
  std::set<std::string> texts;
  std::set<unsigned short> hashes;
  for (int i = 0; i < 200; ++i) {
    CNuGuid made;
    made.Create();
    const CNuGuid back(Text(made).c_str());
    EXPECT_TRUE(back == made);
    EXPECT_FALSE(made.IsNil());
    EXPECT_EQ(HashKey(made), static_cast<UINT>(made.Hash()));
    texts.insert(Text(made));
    hashes.insert(made.Hash());
  }
  EXPECT_EQ(texts.size(), 200u);
  EXPECT_GT(hashes.size(), 150u);  // a hash, not a constant
}

TEST(Guid, MalformedTextGivesNil) {
  for (const char* text : {"{1234abcd-0102-f00d-abcd-00010203feff}", "1234abcd-0102-f00d-abcd-00010203fef",
                           "1234abcd-0102-f00d-abcd-00010203feff0", "1234abcd0102-f00d-abcd-00010203feff-",
                           "1234abcd-0102-f00d-abcd-00010203fefg", "1234abcd 0102 f00d abcd 00010203feff", "",
                           static_cast<const char*>(nullptr)}) {
    CNuGuid g;
    g.Create();
    g.GuidFromHexString(text);
    EXPECT_TRUE(g.IsNil()) << (text != nullptr ? text : "null");
  }
}

TEST(Guid, CompareOrdersFieldsAsUnsignedNumbers) {
  // In ascending order: Data1 decides before Data2, Data2 before Data3, Data3 before Data4,
  // whatever the byte order in memory.
  const CNuGuid ordered[] = {CNuGuid(),
                             CNuGuid(MakeGuid(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1})),
                             CNuGuid(MakeGuid(1, 0, 0, {})),
                             CNuGuid(MakeGuid(5, 1, 1, {0, 0x7F, 0xFF})),
                             CNuGuid(MakeGuid(5, 1, 1, {0, 0x80})),
                             CNuGuid(MakeGuid(5, 1, 0x00FF, {0xFF})),
                             CNuGuid(MakeGuid(5, 1, 0x0100, {})),
                             CNuGuid(MakeGuid(5, 0x00FF, 0xFFFF, {})),
                             CNuGuid(MakeGuid(5, 0x0100, 0, {})),
                             CNuGuid(MakeGuid(0x80000000, 0, 0, {}))};
  for (int i = 0; i < static_cast<int>(std::size(ordered)); ++i)
    for (int j = 0; j < static_cast<int>(std::size(ordered)); ++j)
      EXPECT_EQ(ordered[i].Compare(ordered[j]), (i > j) - (i < j)) << i << " against " << j;
}

TEST(Guid, FallbackWithoutNetworkAddress) {
  // Without a network address a value repeats one tick count in all four words.
  hk::sys::SetUuidNoAddressFault(true);
  CNuGuid a, b;
  a.Create();
  b.Create();
  hk::sys::SetUuidNoAddressFault(false);
  EXPECT_FALSE(a == b);
  for (const CNuGuid* g : {&a, &b}) {
    DWORD words[4];
    std::memcpy(words, g, 16);
    EXPECT_EQ(std::set<DWORD>(words, words + 4).size(), 1u);
    EXPECT_FALSE(g->IsNil());
  }
}

}  // namespace
