// CNuGuid: creation, text form, order, hashing and the fallback for machines without a network
// address.
#include "tests/support/fixtures.h"

#include "platform/faults.h"

#include <cstring>
#include <set>

namespace {

GUID MakeGuid(DWORD d1, WORD d2, WORD d3, std::initializer_list<int> d4) {
  GUID g{};
  g.Data1 = d1;
  g.Data2 = d2;
  g.Data3 = d3;
  int i = 0;
  for (int b : d4) g.Data4[i++] = static_cast<BYTE>(b);
  return g;
}

std::string Text(const CNuGuid& guid) {
  CString text;
  guid.GuidToHexString(text);
  return static_cast<const char*>(text);
}

// Turns the fallback on for one scope.
struct NoAddress {
  NoAddress() { hk::sys::SetUuidNoAddressFault(true); }
  ~NoAddress() { hk::sys::SetUuidNoAddressFault(false); }
};

TEST(Guid, NilValue) {
  CNuGuid nil;
  EXPECT_TRUE(nil.IsNil());
  EXPECT_EQ(Text(nil), "00000000-0000-0000-0000-000000000000");
  // A single bit at either end is enough to make a value other than nil.
  EXPECT_FALSE(CNuGuid(MakeGuid(1, 0, 0, {})).IsNil());
  CNuGuid g(MakeGuid(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_FALSE(g.IsNil());
  g.SetNil();
  EXPECT_TRUE(g.IsNil());
  static_assert(sizeof(CNuGuid) == 16, "a CNuGuid is passed where a GUID is expected");
}

TEST(Guid, TextFormAndRoundTrip) {
  const CNuGuid g(MakeGuid(0x1234ABCD, 0x0102, 0xF00D, {0xAB, 0xCD, 0, 1, 2, 3, 0xFE, 0xFF}));
  EXPECT_EQ(Text(g), "1234abcd-0102-f00d-abcd-00010203feff");
  char buffer[37];
  std::memset(buffer, 'x', sizeof buffer);
  g.GuidToHexString(buffer);
  EXPECT_EQ(std::string(buffer), "1234abcd-0102-f00d-abcd-00010203feff");

  EXPECT_TRUE(CNuGuid("1234abcd-0102-f00d-abcd-00010203feff") == g);
  EXPECT_TRUE(CNuGuid("1234ABCD-0102-F00D-ABCD-00010203FEFF") == g);
  for (int i = 0; i < 50; ++i) {
    CNuGuid made;
    made.Create();
    CNuGuid back;
    back.GuidFromHexString(Text(made).c_str());
    EXPECT_TRUE(back == made);
    EXPECT_EQ(back.Compare(made), 0);
  }
}

TEST(Guid, MalformedTextGivesNil) {
  const char* bad[] = {"{1234abcd-0102-f00d-abcd-00010203feff}",
                       "1234abcd-0102-f00d-abcd-00010203fef",
                       "1234abcd-0102-f00d-abcd-00010203feff0",
                       "1234abcd0102-f00d-abcd-00010203feff-",
                       "1234abcd-0102-f00d-abcd-00010203fefg",
                       "1234abcd 0102 f00d abcd 00010203feff",
                       ""};
  for (const char* text : bad) {
    CNuGuid g;
    g.Create();
    g.GuidFromHexString(text);
    EXPECT_TRUE(g.IsNil()) << text;
    EXPECT_TRUE(CNuGuid(text).IsNil()) << text;
  }
  CNuGuid g;
  g.Create();
  g.GuidFromHexString(nullptr);
  EXPECT_TRUE(g.IsNil());
}

TEST(Guid, CompareOrdersFieldsAsUnsignedNumbers) {
  const CNuGuid nil;
  const CNuGuid low(MakeGuid(1, 0, 0, {}));
  const CNuGuid high(MakeGuid(0x80000000, 0, 0, {}));
  const CNuGuid lastByte(MakeGuid(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(nil.Compare(nil), 0);
  EXPECT_EQ(nil.Compare(low), -1);
  EXPECT_EQ(nil.Compare(lastByte), -1);
  EXPECT_EQ(lastByte.Compare(nil), 1);
  EXPECT_EQ(low.Compare(high), -1);
  EXPECT_EQ(high.Compare(low), 1);
  // Data2 decides before Data3, Data3 before Data4, whatever the byte order in memory.
  EXPECT_EQ(CNuGuid(MakeGuid(5, 0x0100, 0, {})).Compare(CNuGuid(MakeGuid(5, 0x00FF, 0xFFFF, {}))), 1);
  EXPECT_EQ(CNuGuid(MakeGuid(5, 1, 0x0100, {})).Compare(CNuGuid(MakeGuid(5, 1, 0x00FF, {0xFF}))), 1);
  EXPECT_EQ(CNuGuid(MakeGuid(5, 1, 1, {0, 0x80})).Compare(CNuGuid(MakeGuid(5, 1, 1, {0, 0x7F, 0xFF}))), 1);
  CNuGuid made;
  made.Create();
  EXPECT_EQ(nil.Compare(made), -1);
  EXPECT_EQ(made.Compare(made), 0);
}

TEST(Guid, HashKeyEqualsHashAndEqualValuesHashEqually) {
  std::set<unsigned short> seen;
  for (int i = 0; i < 200; ++i) {
    CNuGuid g;
    g.Create();
    const CNuGuid copy(Text(g).c_str());
    EXPECT_EQ(HashKey(g), static_cast<UINT>(g.Hash()));
    EXPECT_LE(HashKey(g), 0xFFFFu);
    EXPECT_EQ(copy.Hash(), g.Hash());
    seen.insert(g.Hash());
  }
  EXPECT_GT(seen.size(), 150u);  // a hash, not a constant
  EXPECT_EQ(HashKey(CNuGuid()), static_cast<UINT>(CNuGuid().Hash()));
}

TEST(Guid, CreateMakesDistinctRandomValues) {
  std::set<std::string> texts;
  for (int i = 0; i < 500; ++i) {
    CNuGuid g;
    g.Create();
    EXPECT_FALSE(g.IsNil());
    texts.insert(Text(g));
  }
  EXPECT_EQ(texts.size(), 500u);
}

TEST(Guid, FallbackWithoutNetworkAddress) {
  NoAddress fault;
  CNuGuid a, b;
  a.Create();
  b.Create();
  EXPECT_FALSE(a == b);
  for (const CNuGuid* g : {&a, &b}) {
    DWORD words[4];
    std::memcpy(words, g, 16);
    EXPECT_EQ(words[0], words[1]);
    EXPECT_EQ(words[0], words[2]);
    EXPECT_EQ(words[0], words[3]);
    EXPECT_FALSE(g->IsNil());
  }
}

}  // namespace
