// The collections, and CArchive's byte layout for them on a CMemFile.
#include "tests/support/archive.h"
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include <string>
#include <vector>

#if !defined(_WIN32)
#  include "tests/support/child.h"

#  include <sys/resource.h>
#endif

namespace {

using Items = std::vector<std::string>;
using hk::test::Load;
using hk::test::Stored;
using hk::test::Strings;

}  // namespace

TEST(StringList, PositionsWalkInsertAndRemove) {
  CStringList list;
  const POSITION b = list.AddTail("b");
  list.AddHead("a");
  const POSITION d = list.AddTail("d");
  list.InsertBefore(d, "c");
  list.InsertAfter(d, "f");  // after the tail: the new tail
  list.InsertAfter(d, "e");  // in the middle
  std::string reversed;
  for (POSITION pos = list.GetTailPosition(); pos != nullptr;) reversed += list.GetPrev(pos).str();
  EXPECT_EQ(reversed, "fedcba");

  // A position stays valid while other elements go; removing while walking.
  list.RemoveAt(list.Find("c"));
  list.SetAt(b, "B");
  EXPECT_EQ(list.FindIndex(2), d);
  EXPECT_EQ(list.RemoveHead(), "a");
  EXPECT_EQ(list.RemoveTail(), "f");
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    const POSITION current = pos;
    if (list.GetNext(pos) == "d") list.RemoveAt(current);
  }
  EXPECT_EQ(Strings(list), (Items{"B", "e"}));
  EXPECT_EQ(list.Find("e", list.GetHeadPosition()), list.GetTailPosition());
  list.AddTail(&list);  // appending a list to itself doubles it
  EXPECT_EQ(Strings(list), (Items{"B", "e", "B", "e"}));
}

TEST(Archive, ArraysAndStringsInTheirByteLayout) {
  // Counts below 0xFFFF in a WORD, from 0xFFFF on as 0xFFFF and a DWORD; strings below 0xFF
  // long in a byte, longer ones as 0xFF and a WORD.
  CDWordArray a;
  a.Add(1);
  a.Add(0x12345678);
  EXPECT_EQ(Stored(a), (std::vector<BYTE>{0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12}));
  CByteArray edge;
  edge.SetSize(0xFFFF);
  const std::vector<BYTE> edgeBytes = Stored(edge);
  ASSERT_EQ(edgeBytes.size(), 6u + 0xFFFFu);
  EXPECT_EQ(std::vector<BYTE>(edgeBytes.begin(), edgeBytes.begin() + 6),
            (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  CStringList list;
  list.AddTail("");
  list.AddTail("ab");
  list.AddTail(CString('x', 300));
  list.AddTail(CString('y', 70000));  // 0xFF, 0xFFFF, then a DWORD
  const std::vector<BYTE> bytes = Stored(list);
  EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 9),
            (std::vector<BYTE>{4, 0, 0, 2, 'a', 'b', 0xFF, 44, 1}));
  EXPECT_EQ(bytes.size(), 9u + 300u + 7u + 70000u);

  CDWordArray back;
  back.Add(99);  // replaced by what is loaded
  Load(back, Stored(a));
  EXPECT_EQ(back.GetSize(), 2);
  CStringList listBack;
  Load(listBack, bytes);
  EXPECT_EQ(Strings(listBack), Strings(list));
}

TEST(Archive, DamagedCountsEndInAnArchiveError) {
  // Counts of an array, then lengths of a list's one string: more than the stream holds, and
  // more than any array or string can hold.
  const struct {
    bool list;
    std::vector<BYTE> bytes;
    int cause;
  } rows[] = {{false, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0}, CArchiveException::endOfFile},
              {false, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, CArchiveException::badIndex},
              {true, {1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, CArchiveException::endOfFile},
              {true, {1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, CArchiveException::badIndex},
              {true, {1}, CArchiveException::endOfFile}};
  for (const auto& row : rows) {
    CDWordArray array;
    CStringList list;
    CObject& object = row.list ? static_cast<CObject&>(list) : array;
    EXPECT_EQ(hk::test::CodeOf<CArchiveException>([&] { Load(object, row.bytes); }), row.cause);
  }
}

TEST(MemFile, ReadWriteSeekAndLength) {
  CMemFile file(16);
  file.Write("hello world", 11);
  EXPECT_EQ(file.Seek(-5, CFile::end), 6);
  char buffer[32] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "world");
  // Writing past the end after a seek leaves zeros between.
  EXPECT_EQ(file.Seek(20, CFile::begin), 20);
  file.Write("!", 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.Data()), file.GetLength()),
            std::string("hello world\0\0\0\0\0\0\0\0\0!", 21));
  EXPECT_EQ(hk::test::CodeOf<CFileException>([&] { file.Seek(-100, CFile::current); }), CFileException::badSeek);
  EXPECT_EQ(file.GetPosition(), 21u);
}

#if !defined(_WIN32)
TEST(MemFile, MemoryThatCannotBeHadIsAMemoryException) {
#  if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator ends the process instead of failing an allocation";
#  else
  // A child whose data may take 256 MiB only: a gigabyte cannot be had.
  const hk::test::ChildEnd end = hk::test::RunInChild([] {
    const rlimit small{256u << 20, 256u << 20};
    if (setrlimit(RLIMIT_DATA, &small) != 0) return 2;
    CMemFile file;
    try {
      file.SetLength(0x40000000);
    } catch (CMemoryException* e) {
      e->Delete();
      return file.GetLength() == 0 ? 0 : 3;
    }
    return 1;
  });
  EXPECT_EQ(end.signal, 0);
  EXPECT_EQ(end.code, 0) << "1: no exception; 2: the limit could not be set; 3: the length changed";
#  endif
}
#endif
