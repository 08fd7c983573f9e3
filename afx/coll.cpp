// The string list and the serialisation of the collections.
#include <hostkit/afx/archive.h>
#include <hostkit/afx/coll.h>

#include <algorithm>

IMPLEMENT_SERIAL(CStringArray, CObject, 0)
IMPLEMENT_SERIAL(CByteArray, CObject, 0)
IMPLEMENT_SERIAL(CWordArray, CObject, 0)
IMPLEMENT_SERIAL(CDWordArray, CObject, 0)
IMPLEMENT_SERIAL(CStringList, CObject, 0)

namespace {

// Loading never reserves room for more elements than this ahead of reading them.
constexpr DWORD_PTR kReserveLimit = 1 << 16;

// An element count read from the stream; one past what an array can index is damage.
DWORD_PTR ReadElementCount(CArchive& ar) {
  const DWORD_PTR count = ar.ReadCount();
  if (count > 0x7FFFFFFF) AfxThrowArchiveException(CArchiveException::badIndex);
  return count;
}

// Arrays of plain little-endian values: the element count, then the elements' bytes.
template <typename Array, typename T>
void SerializeValues(Array& array, CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(array.GetSize()));
    for (int i = 0; i < array.GetSize(); ++i) ar << static_cast<T>(array[i]);
  } else {
    // The count comes from the stream; elements are added as they arrive, so a count larger
    // than the data ends in endOfFile instead of a huge allocation.
    const DWORD_PTR count = ReadElementCount(ar);
    array.RemoveAll();
    array.Reserve(static_cast<int>(std::min<DWORD_PTR>(count, kReserveLimit)));
    for (DWORD_PTR i = 0; i < count; ++i) {
      T v{};
      ar >> v;
      array.Add(v);
    }
  }
}

}  // namespace

void CStringArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(GetSize()));
    for (int i = 0; i < GetSize(); ++i) ar << (*this)[i];
  } else {
    const DWORD_PTR count = ReadElementCount(ar);
    RemoveAll();
    Reserve(static_cast<int>(std::min<DWORD_PTR>(count, kReserveLimit)));
    for (DWORD_PTR i = 0; i < count; ++i) {
      CString v;
      ar >> v;
      Add(v);
    }
  }
}

void CByteArray::Serialize(CArchive& ar) { SerializeValues<CByteArray, BYTE>(*this, ar); }
void CWordArray::Serialize(CArchive& ar) { SerializeValues<CWordArray, WORD>(*this, ar); }
void CDWordArray::Serialize(CArchive& ar) { SerializeValues<CDWordArray, DWORD>(*this, ar); }

struct CStringList::Node : public __POSITION {
  CString value;
  Node* prev = nullptr;
  Node* next = nullptr;
};

CStringList::CStringList(int) {}

CStringList::~CStringList() { RemoveAll(); }

CString& CStringList::GetHead() { return m_head->value; }
const CString& CStringList::GetHead() const { return m_head->value; }
CString& CStringList::GetTail() { return m_tail->value; }
const CString& CStringList::GetTail() const { return m_tail->value; }

CString CStringList::RemoveHead() {
  CString v = m_head->value;
  RemoveAt(m_head);
  return v;
}

CString CStringList::RemoveTail() {
  CString v = m_tail->value;
  RemoveAt(m_tail);
  return v;
}

POSITION CStringList::AddHead(const char* item) {
  return m_head != nullptr ? InsertBefore(m_head, item) : AddTail(item);
}

POSITION CStringList::AddTail(const char* item) {
  Node* node = new Node;
  node->value = item;
  node->prev = m_tail;
  if (m_tail != nullptr) m_tail->next = node;
  else m_head = node;
  m_tail = node;
  ++m_count;
  return node;
}

void CStringList::AddTail(CStringList* other) {
  // Counted, so that appending a list to itself doubles it instead of running forever.
  POSITION pos = other->GetHeadPosition();
  for (int n = other->GetCount(); n > 0; --n) AddTail(other->GetNext(pos));
}

void CStringList::RemoveAll() {
  for (Node* n = m_head; n != nullptr;) {
    Node* next = n->next;
    delete n;
    n = next;
  }
  m_head = m_tail = nullptr;
  m_count = 0;
}

POSITION CStringList::GetHeadPosition() const { return m_head; }
POSITION CStringList::GetTailPosition() const { return m_tail; }

CString& CStringList::GetNext(POSITION& pos) {
  Node* n = static_cast<Node*>(pos);
  pos = n->next;
  return n->value;
}

const CString& CStringList::GetNext(POSITION& pos) const {
  Node* n = static_cast<Node*>(pos);
  pos = n->next;
  return n->value;
}

CString& CStringList::GetPrev(POSITION& pos) {
  Node* n = static_cast<Node*>(pos);
  pos = n->prev;
  return n->value;
}

const CString& CStringList::GetPrev(POSITION& pos) const {
  Node* n = static_cast<Node*>(pos);
  pos = n->prev;
  return n->value;
}

CString& CStringList::GetAt(POSITION pos) { return static_cast<Node*>(pos)->value; }
const CString& CStringList::GetAt(POSITION pos) const { return static_cast<Node*>(pos)->value; }
void CStringList::SetAt(POSITION pos, const char* item) { static_cast<Node*>(pos)->value = item; }

void CStringList::RemoveAt(POSITION pos) {
  Node* n = static_cast<Node*>(pos);
  if (n->prev != nullptr) n->prev->next = n->next;
  else m_head = n->next;
  if (n->next != nullptr) n->next->prev = n->prev;
  else m_tail = n->prev;
  delete n;
  --m_count;
}

POSITION CStringList::InsertBefore(POSITION pos, const char* item) {
  if (pos == nullptr) return AddHead(item);
  Node* at = static_cast<Node*>(pos);
  Node* node = new Node;
  node->value = item;
  node->next = at;
  node->prev = at->prev;
  if (at->prev != nullptr) at->prev->next = node;
  else m_head = node;
  at->prev = node;
  ++m_count;
  return node;
}

POSITION CStringList::InsertAfter(POSITION pos, const char* item) {
  Node* at = static_cast<Node*>(pos);
  if (at == nullptr || at == m_tail) return AddTail(item);
  return InsertBefore(at->next, item);
}

POSITION CStringList::Find(const char* value, POSITION startAfter) const {
  Node* n = startAfter != nullptr ? static_cast<Node*>(startAfter)->next : m_head;
  for (; n != nullptr; n = n->next)
    if (n->value == value) return n;
  return nullptr;
}

POSITION CStringList::FindIndex(int index) const {
  if (index < 0 || index >= m_count) return nullptr;
  Node* n = m_head;
  while (index-- > 0) n = n->next;
  return n;
}

void CStringList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_count));
    for (Node* n = m_head; n != nullptr; n = n->next) ar << n->value;
  } else {
    for (DWORD_PTR count = ReadElementCount(ar); count > 0; --count) {
      CString v;
      ar >> v;
      AddTail(v);
    }
  }
}
