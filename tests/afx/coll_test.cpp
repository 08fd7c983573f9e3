// The collections, and CArchive's byte layout for them on a CMemFile.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/strings.h"

#include <string>
#include <vector>

#if !defined(_WIN32)
#  include "tests/support/child.h"

#  include <sys/resource.h>
#  include <unistd.h>

#  include <cstdio>
#endif

namespace {

using Items = std::vector<std::string>;
using hk::test::Strings;

std::vector<BYTE> Stored(CObject& object) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
  }
  return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

template <typename T>
void Load(T& object, const std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  object.Serialize(ar);
}

// The cause of the archive exception 'load' throws, or -1.
template <typename F>
int64_t ArchiveCause(F load) {
  return hk::test::CodeOf<CArchiveException>(load);
}

}  // namespace

TEST(StringList, PositionsWalkInsertAndRemove) {
  CStringList list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  const POSITION b = list.AddTail("b");
  list.AddHead("a");
  const POSITION d = list.AddTail("d");
  list.InsertBefore(d, "c");
  list.InsertAfter(d, "e");
  EXPECT_EQ(Strings(list), (Items{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(list.GetCount(), 5);

  // Walk backwards.
  std::string reversed;
  for (POSITION pos = list.GetTailPosition(); pos != nullptr;) reversed += list.GetPrev(pos).str();
  EXPECT_EQ(reversed, "edcba");

  // A position stays valid while other elements go.
  list.RemoveAt(list.Find("c"));
  EXPECT_EQ(list.GetAt(b), "b");
  EXPECT_EQ(list.GetAt(d), "d");
  list.SetAt(b, "B");
  EXPECT_EQ(list.Find("b"), nullptr);
  EXPECT_EQ(list.Find("B"), b);
  EXPECT_EQ(list.FindIndex(2), d);
  EXPECT_EQ(list.FindIndex(4), nullptr);
  EXPECT_EQ(list.FindIndex(-1), nullptr);
  EXPECT_EQ(list.RemoveHead(), "a");
  EXPECT_EQ(list.RemoveTail(), "e");
  EXPECT_EQ(Strings(list), (Items{"B", "d"}));
  list.InsertBefore(nullptr, "first");
  list.InsertAfter(nullptr, "last");
  EXPECT_EQ(list.GetHead(), "first");
  EXPECT_EQ(list.GetTail(), "last");

  // Removing while walking, the usual way: take the position before stepping.
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    const POSITION current = pos;
    if (list.GetNext(pos).GetLength() == 1) list.RemoveAt(current);
  }
  EXPECT_EQ(Strings(list), (Items{"first", "last"}));

  // Duplicates: Find continues after a given position.
  list.AddTail("first");
  const POSITION second = list.Find("first", list.GetHeadPosition());
  EXPECT_EQ(second, list.GetTailPosition());
  list.AddTail(&list);  // appending a list to itself doubles it
  EXPECT_EQ(list.GetCount(), 6);
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetTailPosition(), nullptr);
}

TEST(Arrays, GrowInsertRemove) {
  CDWordArray a;
  a.SetSize(3);
  EXPECT_EQ(a[0], 0u);
  a[1] = 7;
  a.SetAtGrow(5, 9);
  EXPECT_EQ(a.GetSize(), 6);
  EXPECT_EQ(a[4], 0u);
  EXPECT_EQ(a.GetUpperBound(), 5);
  a.InsertAt(1, 100, 2);
  EXPECT_EQ(a.GetSize(), 8);
  EXPECT_EQ(a[1], 100u);
  EXPECT_EQ(a[3], 7u);
  a.RemoveAt(0, 3);
  EXPECT_EQ(a[0], 7u);
  a.InsertAt(10, 5);  // past the end: grows with zeros up to the index
  EXPECT_EQ(a.GetSize(), 11);
  EXPECT_EQ(a[10], 5u);
  EXPECT_EQ(a[9], 0u);

  CStringArray s;
  s.Add("x");
  s.Add(CString("y"));
  s.InsertAt(0, "w");
  EXPECT_EQ(s[0], "w");
  EXPECT_EQ(s.GetAt(2), "y");
  CStringArray t;
  t.Add("z");
  EXPECT_EQ(s.Append(t), 3);
  EXPECT_EQ(s.GetSize(), 4);
  s.RemoveAll();
  EXPECT_TRUE(s.IsEmpty());
}

TEST(Archive, DWordArrayWithACountInAWord) {
  CDWordArray a;
  a.Add(1);
  a.Add(0x12345678);
  a.Add(0xFFFFFFFF);
  const std::vector<BYTE> expected = {0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34,
                                      0x12, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Stored(a), expected);
  CDWordArray back;
  back.Add(99);  // replaced by what is loaded
  Load(back, expected);
  ASSERT_EQ(back.GetSize(), 3);
  EXPECT_EQ(back[1], 0x12345678u);
  EXPECT_EQ(back[2], 0xFFFFFFFFu);
}

TEST(Archive, DWordArrayWithACountPastAWord) {
  CDWordArray a;
  for (DWORD i = 0; i < 70000; ++i) a.Add(i * 3);
  const std::vector<BYTE> bytes = Stored(a);
  ASSERT_EQ(bytes.size(), 2u + 4u + 70000u * 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFF);
  EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16 | bytes[5] << 24, 70000);
  EXPECT_EQ(bytes[6 + 4 * 69999] | bytes[7 + 4 * 69999] << 8 | bytes[8 + 4 * 69999] << 16, 69999 * 3);
  CDWordArray back;
  Load(back, bytes);
  ASSERT_EQ(back.GetSize(), 70000);
  EXPECT_EQ(back[12345], 12345u * 3);

  // 65,535 itself is written the long way, as 0xFFFF marks the long form.
  CByteArray edge;
  edge.SetSize(0xFFFF);
  const std::vector<BYTE> edgeBytes = Stored(edge);
  ASSERT_EQ(edgeBytes.size(), 6u + 0xFFFFu);
  EXPECT_EQ(std::vector<BYTE>(edgeBytes.begin(), edgeBytes.begin() + 6),
            (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
}

TEST(Archive, StringsAndListsRoundTrip) {
  CStringList list;
  list.AddTail("");
  list.AddTail("short");
  list.AddTail(CString('x', 300));
  const std::vector<BYTE> bytes = Stored(list);
  // Count 3; "" as one zero byte; "short" as 5 then the bytes; 300 as 0xFF then a WORD.
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 5);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 9), "short");
  EXPECT_EQ(bytes[9], 0xFF);
  EXPECT_EQ(bytes[10] | bytes[11] << 8, 300);
  EXPECT_EQ(bytes.size(), 12u + 300u);
  CStringList back;
  Load(back, bytes);
  EXPECT_EQ(Strings(back), Strings(list));

  CStringArray strings;
  strings.Add("one");
  strings.Add(CString('y', 70000));
  CStringArray stringsBack;
  Load(stringsBack, Stored(strings));
  ASSERT_EQ(stringsBack.GetSize(), 2);
  EXPECT_EQ(stringsBack[1].GetLength(), 70000);

  CWordArray words;
  words.Add(0xBEEF);
  EXPECT_EQ(Stored(words), (std::vector<BYTE>{0x01, 0x00, 0xEF, 0xBE}));
}

TEST(Archive, DamagedCountsEndInAnArchiveError) {
  // A count that promises more than the stream holds.
  CDWordArray a;
  EXPECT_EQ(ArchiveCause([&] { Load(a, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0}); }),
            CArchiveException::endOfFile);
  EXPECT_EQ(ArchiveCause([&] { Load(a, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); }), CArchiveException::badIndex);
  // A string whose length runs past the end, and one longer than any string can be.
  CStringList list;
  EXPECT_EQ(ArchiveCause([&] { Load(list, {0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}); }),
            CArchiveException::endOfFile);
  EXPECT_EQ(ArchiveCause([&] { Load(list, {0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); }),
            CArchiveException::badIndex);
  EXPECT_EQ(ArchiveCause([&] { Load(list, {0x01}); }), CArchiveException::endOfFile);
}

TEST(MemFile, ReadWriteSeekAndLength) {
  CMemFile file(16);
  EXPECT_EQ(file.GetLength(), 0u);
  file.Write("hello world", 11);
  EXPECT_EQ(file.GetLength(), 11u);
  EXPECT_EQ(file.GetPosition(), 11u);
  EXPECT_EQ(file.Seek(-5, CFile::end), 6);
  char buffer[32] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);

  // Writing past the end after a seek leaves zeros between.
  EXPECT_EQ(file.Seek(20, CFile::begin), 20);
  file.Write("!", 1);
  EXPECT_EQ(file.GetLength(), 21u);
  EXPECT_EQ(file.Data()[15], 0);
  EXPECT_EQ(file.Data()[20], '!');

  file.SetLength(5);
  EXPECT_EQ(file.GetPosition(), 5u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.Data()), file.GetLength()), "hello");
  file.SetLength(8);
  EXPECT_EQ(file.Data()[7], 0);
  file.SeekToBegin();
  EXPECT_EQ(file.SeekToEnd(), 8u);

  EXPECT_EQ(hk::test::CodeOf<CFileException>([&] { file.Seek(-100, CFile::current); }), CFileException::badSeek);
  EXPECT_EQ(file.GetPosition(), 8u);

  const BYTE initial[] = {1, 2, 3};
  CMemFile copy(initial, 3);
  EXPECT_EQ(copy.GetLength(), 3u);
  copy.Seek(0, CFile::end);
  copy.Write(initial, 3);
  EXPECT_EQ(copy.GetLength(), 6u);
  copy.Close();
  EXPECT_EQ(copy.GetLength(), 0u);
}

#if !defined(_WIN32)
TEST(MemFile, MemoryThatCannotBeHadIsAMemoryException) {
#  if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator ends the process instead of failing an allocation";
#  else
  // A child whose address space may grow by 256 MiB only: a gigabyte cannot be had.
  const hk::test::ChildEnd end = hk::test::RunInChild([] {
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) return 2;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (256u << 20);
    const rlimit small{limit, limit};
    if (setrlimit(RLIMIT_AS, &small) != 0) return 2;
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
