// The collections of the interface: arrays of strings, bytes, words and double words with
// MFC's growth semantics, and the string list walked with POSITION values.
#pragma once

#include <hostkit/afx/object.h>
#include <hostkit/afx/string.h>

#include <list>
#include <vector>

// An array of T with SetSize/Add/InsertAt/RemoveAt and index access. Indexes outside
// [0, GetSize()) are the caller's fault, as they are for the framework's arrays.
template <typename T, typename ARG = T>
class CHkArray : public CObject {
 public:
  int GetSize() const { return static_cast<int>(m_items.size()); }
  int GetCount() const { return GetSize(); }
  int GetUpperBound() const { return GetSize() - 1; }
  bool IsEmpty() const { return m_items.empty(); }
  void SetSize(int newSize, int growBy = -1) {
    if (growBy >= 0) m_growBy = growBy;
    m_items.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0);
  }
  void RemoveAll() { m_items.clear(); }
  void FreeExtra() { m_items.shrink_to_fit(); }
  // Room for 'count' elements without changing the size.
  void Reserve(int count) {
    if (count > 0) m_items.reserve(static_cast<size_t>(count));
  }

  T GetAt(int i) const { return m_items[static_cast<size_t>(i)]; }
  void SetAt(int i, ARG v) { m_items[static_cast<size_t>(i)] = v; }
  T& ElementAt(int i) { return m_items[static_cast<size_t>(i)]; }
  const T& ElementAt(int i) const { return m_items[static_cast<size_t>(i)]; }
  T& operator[](int i) { return ElementAt(i); }
  const T& operator[](int i) const { return ElementAt(i); }
  T* GetData() { return m_items.data(); }
  const T* GetData() const { return m_items.data(); }

  void SetAtGrow(int i, ARG v) {
    if (i >= GetSize()) SetSize(i + 1);
    SetAt(i, v);
  }
  int Add(ARG v) {
    m_items.push_back(v);
    return GetSize() - 1;
  }
  int Append(const CHkArray& other) {
    const int first = GetSize();
    m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
    return first;
  }
  void Copy(const CHkArray& other) { m_items = other.m_items; }
  void InsertAt(int i, ARG v, int count = 1) {
    if (i >= GetSize()) SetSize(i);
    m_items.insert(m_items.begin() + i, static_cast<size_t>(count), v);
  }
  void RemoveAt(int i, int count = 1) {
    m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
  }

 protected:
  std::vector<T> m_items;
  int m_growBy = -1;
};

class HOSTKIT_API CStringArray : public CHkArray<CString, const char*> {
  DECLARE_SERIAL(CStringArray)
 public:
  int Add(const char* v) { return CHkArray::Add(v); }
  int Add(const CString& v) { return CHkArray::Add(v); }
  void Serialize(CArchive& ar) override;
};

class HOSTKIT_API CByteArray : public CHkArray<BYTE> {
  DECLARE_SERIAL(CByteArray)
 public:
  void Serialize(CArchive& ar) override;
};

class HOSTKIT_API CWordArray : public CHkArray<WORD> {
  DECLARE_SERIAL(CWordArray)
 public:
  void Serialize(CArchive& ar) override;
};

class HOSTKIT_API CDWordArray : public CHkArray<DWORD> {
  DECLARE_SERIAL(CDWordArray)
 public:
  void Serialize(CArchive& ar) override;
};

struct __POSITION {};
typedef __POSITION* POSITION;

// A list of strings. A POSITION names one element and stays valid until that element is
// removed.
class HOSTKIT_API CStringList : public CObject {
  DECLARE_SERIAL(CStringList)
 public:
  CStringList() = default;
  explicit CStringList(int blockSize);
  ~CStringList() override;
  CStringList(const CStringList&) = delete;
  CStringList& operator=(const CStringList&) = delete;

  int GetCount() const { return m_count; }
  int GetSize() const { return m_count; }
  BOOL IsEmpty() const { return m_count == 0; }

  CString& GetHead();
  const CString& GetHead() const;
  CString& GetTail();
  const CString& GetTail() const;
  CString RemoveHead();
  CString RemoveTail();
  POSITION AddHead(const char* item);
  POSITION AddTail(const char* item);
  void AddTail(CStringList* other);
  void RemoveAll();

  POSITION GetHeadPosition() const;
  POSITION GetTailPosition() const;
  CString& GetNext(POSITION& pos);
  const CString& GetNext(POSITION& pos) const;
  CString& GetPrev(POSITION& pos);
  const CString& GetPrev(POSITION& pos) const;
  CString& GetAt(POSITION pos);
  const CString& GetAt(POSITION pos) const;
  void SetAt(POSITION pos, const char* item);
  void RemoveAt(POSITION pos);
  POSITION InsertBefore(POSITION pos, const char* item);
  POSITION InsertAfter(POSITION pos, const char* item);
  POSITION Find(const char* value, POSITION startAfter = nullptr) const;
  POSITION FindIndex(int index) const;

  void Serialize(CArchive& ar) override;

 public:
  struct Node;

 private:
  Node* m_head = nullptr;
  Node* m_tail = nullptr;
  int m_count = 0;
};
